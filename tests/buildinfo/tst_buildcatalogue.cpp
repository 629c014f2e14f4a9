#include "buildinfo/BuildCatalogue.h"

#include <QFile>
#include <QtTest>

using brellow::buildinfo::BuildCatalogue;
using brellow::buildinfo::BuildLookup;
using Outcome = BuildLookup::Outcome;
using Support = BuildLookup::Support;

// The catalogue the program carries, against facts from Microsoft's build lists.
class BuildCatalogueTest : public QObject {
    Q_OBJECT

private:
    const BuildCatalogue catalogue = BuildCatalogue::builtIn();
    const QDate aDayAfterTheCatalogue{2026, 12, 8};

private slots:
    void eachVersionStringIsReadAgainstTheCatalogue_data() {
        QTest::addColumn<QString>("version");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QString>("release");
        // The build named: as Microsoft spells it, its name, KB, date, and whether withdrawn.
        QTest::addColumn<QString>("build");
        QTest::addColumn<int>("updatesBehind");
        QTest::addColumn<int>("daysBehind"); // -1: not known
        QTest::addColumn<Support>("support");
        QTest::addColumn<QDate>("today");
        const auto row = [this](const char* tag, const char* version, Outcome outcome,
                                const char* release, const char* build, int updates, int days,
                                Support support, QDate today = {}) {
            QTest::newRow(tag) << QString::fromUtf8(version) << outcome
                               << QString::fromLatin1(release) << QString::fromLatin1(build)
                               << updates << days << support
                               << (today.isValid() ? today : aDayAfterTheCatalogue);
        };
        const Outcome exact = Outcome::Exact;

        // Both forms of answer, and one from each version, 7.0 to 2025.
        row("7.0 RTM", "7.00.623", exact, "SQL Server 7.0", "7.00.623|SQL Server 7.0 RTM||", 4, -1,
            Support::Unknown);
        row("2000 SP4, three parts", "8.00.2039", exact, "SQL Server 2000",
            "8.00.2039|SQL Server 2000 SP4||", 4, -1, Support::Unknown);
        row("2000 security fix after SP4", "8.00.2282", exact, "SQL Server 2000",
            "8.00.2282|MS09-004: KB959420 October 29, 2008|959420|2008-10-29", 1, -1,
            Support::Unknown);
        row("2005 SP4 with a revision", "9.00.5000.00", exact, "SQL Server 2005",
            "9.00.5000|SP4|2463332|2010-12-16", 6, 663, Support::Ended);
        row("2008 SP4 without the padding", "10.0.6000.29", exact, "SQL Server 2008",
            "10.00.6000.29|SP4|2979596|2014-09-30", 3, 3059, Support::Ended);
        row("2008 R2 SP3", "10.50.6000.34", exact, "SQL Server 2008 R2",
            "10.50.6000.34|SP3|2979597|2014-09-26", 3, 3063, Support::Ended);
        row("2012 build listed with a padded revision", "11.0.3156.0", exact, "SQL Server 2012",
            "11.0.3156.00|SP1 MS15-058: GDR Security Update|3045318|2015-07-14", 21, 2772,
            Support::Ended);
        row("2014 SP3", "12.0.6024.0", exact, "SQL Server 2014",
            "12.0.6024.0|SP3|4022619|2018-10-30", 10, 1806, Support::Ended);
        row("2016 SP3", "13.0.6300.2", exact, "SQL Server 2016",
            "13.0.6300.2|SP3|5003279|2021-09-15", 16, 1763, Support::Ended);
        row("2017 RTM", "14.0.1000.169", exact, "SQL Server 2017", "14.0.1000.169|RTM||2017-09-29",
            50, 3210, Support::Extended);
        row("2019 CU32, four parts", "15.0.4430.1", exact, "SQL Server 2019",
            "15.0.4430.1|CU32|5054833|2025-02-27", 8, 502, Support::Extended);
        row("2019 GDR branch on the newest build's day", "15.0.2180.2", exact, "SQL Server 2019",
            "15.0.2180.2|GDR|5102336|2026-07-14", 0, 0, Support::Extended);
        row("2019 withdrawn CU7", "15.0.4063.15", exact, "SQL Server 2019",
            "15.0.4063.15|CU7|4570012|2020-09-02|withdrawn", 42, 2141, Support::Extended);
        row("2022 CU23", "16.0.4236.2", exact, "SQL Server 2022",
            "16.0.4236.2|CU23|5078297|2026-01-29", 7, 168, Support::Unknown);
        // The withdrawn CU1 of 2026-01-15 is no update anyone is behind on.
        row("2025 GDR before a withdrawn CU", "17.0.1050.2", exact, "SQL Server 2025",
            "17.0.1050.2|GDR|5073177|2026-01-13", 12, 212, Support::Unknown);

        // Unknown builds: at least the nearest earlier one, and no nearer the newest.
        row("2019 between CU32 and its GDR", "15.0.4431.0", Outcome::AtLeast, "SQL Server 2019",
            "15.0.4430.1|CU32|5054833|2025-02-27", 8, 502, Support::Extended);
        row("2000 between two post-SP4 fixes", "8.00.2100", Outcome::AtLeast, "SQL Server 2000",
            "8.00.2040|Post-SP4 AWE fix (899761)|899761|", 3, -1, Support::Unknown);
        row("2019 newer than the catalogue", "15.0.9000.0", Outcome::NewerThanCatalogue,
            "SQL Server 2019", "", 0, -1, Support::Extended);
        row("7.0 older than its RTM", "7.00.500", Outcome::OlderThanCatalogue, "SQL Server 7.0",
            "7.00.623|SQL Server 7.0 RTM||", 0, -1, Support::Unknown);
        row("6.5, older than all", "6.50.416", Outcome::OlderVersion, "SQL Server 7.0", "", 0, -1,
            Support::Unknown);
        row("a version after 2025", "18.0.1000.1", Outcome::NewerVersion, "SQL Server 2025", "", 0,
            -1, Support::Unknown);
        row("a version between known ones", "10.25.1600.1", Outcome::UnknownVersion, "", "", 0, -1,
            Support::Unknown);

        // Support ends at the end of its last day.
        const char* cu32 = "15.0.4430.1|CU32|5054833|2025-02-27";
        row("2019 on its last mainstream day", "15.0.4430.1", exact, "SQL Server 2019", cu32, 8,
            502, Support::Mainstream, {2025, 1, 7});
        row("2019 the day after", "15.0.4430.1", exact, "SQL Server 2019", cu32, 8, 502,
            Support::Extended, {2025, 1, 8});
        const char* sp3 = "13.0.6300.2|SP3|5003279|2021-09-15";
        row("2016 on its last extended day", "13.0.6300.2", exact, "SQL Server 2016", sp3, 16, 1763,
            Support::Extended, {2026, 7, 14});
        row("2016 the day after", "13.0.6300.2", exact, "SQL Server 2016", sp3, 16, 1763,
            Support::Ended, {2026, 7, 15});

        for (const char* malformed :
             {"", "15", "15.0", "15.0.4430.1.7", "15.0.4430.x", "15..4430.1", " 15.0.4430.1",
              "15.0.4430.1 ", "-15.0.4430.1", "15.0.4430.1\n", "SQL Server 2019",
              "99999999999.0.4430.1", "\u0661\u0665.0.4430.1"}) {
            row(qPrintable(QStringLiteral("malformed \"%1\"").arg(QString::fromUtf8(malformed))),
                malformed, Outcome::Malformed, "", "", 0, -1, Support::Unknown);
        }
    }

    void eachVersionStringIsReadAgainstTheCatalogue() {
        QFETCH(QString, version);
        QFETCH(Outcome, outcome);
        QFETCH(QString, release);
        QFETCH(QString, build);
        QFETCH(int, updatesBehind);
        QFETCH(int, daysBehind);
        QFETCH(Support, support);
        QFETCH(QDate, today);

        const BuildLookup lookup = catalogue.lookup(version, today);
        QCOMPARE(lookup.outcome, outcome);
        QCOMPARE(lookup.release ? lookup.release->name : QString(), release);
        QString named;
        if (lookup.build) {
            named = QStringList{lookup.build->text, lookup.build->name, lookup.build->kb,
                                lookup.build->released.toString(Qt::ISODate)}
                        .join(QLatin1Char('|'));
            named += lookup.build->withdrawn ? QStringLiteral("|withdrawn") : QString();
        }
        QCOMPARE(named, build);
        QCOMPARE(lookup.updatesBehind, updatesBehind);
        QCOMPARE(lookup.daysBehind.value_or(-1), qint64(daysBehind));
        QCOMPARE(lookup.support, support);
        QVERIFY(!lookup.newest || !lookup.newest->withdrawn);
    }

    void theCatalogueKnowsItsSizeAndDateWhateverItsLineEnds() {
        QCOMPARE(catalogue.buildCount(), 680);
        QCOMPARE(catalogue.date(), QDate(2026, 8, 10));
        QCOMPARE(catalogue.lookup(u"15.0.9000.0", aDayAfterTheCatalogue).newest->text,
                 QStringLiteral("15.0.4480.2"));

        // A checkout that turned the file's line ends into CR LF, and a damaged line.
        QFile file(QStringLiteral(":/sqlserver-builds.txt"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QString text = QString::fromUtf8(file.readAll());
        text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        text.replace(QStringLiteral("build\t15.0.4430.1\tCU\t"), QStringLiteral("build\t15.0."));
        const BuildCatalogue damaged = BuildCatalogue::parse(text);
        QCOMPARE(damaged.buildCount(), 679);
        QCOMPARE(damaged.date(), catalogue.date());
        const BuildLookup lookup = damaged.lookup(u"15.0.4420.2", aDayAfterTheCatalogue);
        QCOMPARE(lookup.build->name, QStringLiteral("CU31"));
        QCOMPARE(lookup.newest->text, QStringLiteral("15.0.4480.2"));
        QCOMPARE(lookup.support, Support::Extended);
    }
};

QTEST_GUILESS_MAIN(BuildCatalogueTest)
#include "tst_buildcatalogue.moc"
