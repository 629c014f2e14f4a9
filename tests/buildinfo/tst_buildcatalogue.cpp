#include "buildinfo/BuildCatalogue.h"

#include <QFile>
#include <QtTest>

using brellow::buildinfo::BuildCatalogue;
using brellow::buildinfo::BuildLookup;
using Outcome = BuildLookup::Outcome;
using Support = BuildLookup::Support;

// The catalogue the program carries, and how a catalogue's text is read.
class BuildCatalogueTest : public QObject {
    Q_OBJECT

private:
    const BuildCatalogue catalogue = BuildCatalogue::builtIn();
    const QDate aDayInDecember{2026, 12, 8};

    static QString builtInText() {
        QFile file(QStringLiteral(":/sqlserver-builds.txt"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private slots:
    void eachVersionStringIsPlacedOnItsLine_data() {
        QTest::addColumn<QString>("version");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QString>("release");
        // The build named, its line, the newest of the line, the build advised (or "").
        QTest::addColumn<QString>("build");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("newest");
        QTest::addColumn<QString>("advised");
        QTest::addColumn<int>("updatesBehind");
        QTest::addColumn<int>("daysBehind"); // -1: not known
        QTest::addColumn<Support>("support");
        const auto row = [](const char* tag, const char* version, Outcome outcome,
                            const char* release, const char* build, const char* line,
                            const char* newest, const char* advised, int updates, int days,
                            Support support) {
            QTest::newRow(tag) << QString::fromLatin1(version) << outcome
                               << QString::fromLatin1(release) << QString::fromLatin1(build)
                               << QString::fromLatin1(line) << QString::fromLatin1(newest)
                               << QString::fromLatin1(advised) << updates << days << support;
        };
        const Outcome exact = Outcome::Exact;

        // Both forms of answer; builds of one line released the same day count once.
        row("2000 SP4, three parts, one line", "8.00.2039", exact, "SQL Server 2000", "8.00.2039",
            "", "8.00.2283", "", 4, -1, Support::Ended);
        row("2005 SP4 with a revision", "9.00.5000.00", exact, "SQL Server 2005", "9.00.5000",
            "SP4 GDR", "9.00.5057", "9.00.5324", 1, 180, Support::Ended);
        row("2008 SP4 without the padding", "10.0.6000.29", exact, "SQL Server 2008",
            "10.00.6000.29", "SP4 GDR", "10.0.6814.4", "", 3, 3059, Support::Ended);
        row("2019 GDR line", "15.0.2130.3", exact, "SQL Server 2019", "15.0.2130.3", "RTM GDR",
            "15.0.2180.2", "15.0.4480.2", 8, 609, Support::Extended);
        row("2019 newest GDR", "15.0.2180.2", exact, "SQL Server 2019", "15.0.2180.2", "RTM GDR",
            "15.0.2180.2", "15.0.4480.2", 0, 0, Support::Extended);
        row("2022 replaced CU23", "16.0.4235.2", exact, "SQL Server 2022", "16.0.4235.2", "RTM CU",
            "16.0.4265.3", "", 8, 182, Support::Mainstream);
        // Builds the catalogue does not list: on the line of the nearest listed build below.
        row("2019 between two GDRs", "15.0.2131.0", Outcome::AtLeast, "SQL Server 2019",
            "15.0.2130.3", "RTM GDR", "15.0.2180.2", "15.0.4480.2", 8, 609, Support::Extended);
        row("2019 GDR past the catalogue", "15.0.2190.1", Outcome::NewerThanCatalogue,
            "SQL Server 2019", "", "RTM GDR", "15.0.2180.2", "15.0.4480.2", 0, -1,
            Support::Extended);
        row("2019 CU past the catalogue", "15.0.9000.0", Outcome::NewerThanCatalogue,
            "SQL Server 2019", "", "RTM CU", "15.0.4480.2", "", 0, -1, Support::Extended);
        row("2014 SP1 GDR range", "12.0.4300.0", Outcome::NewerThanCatalogue, "SQL Server 2014", "",
            "SP1 GDR", "12.0.4237.0", "12.0.6449.1", 0, -1, Support::Ended);
        row("7.0 older than its RTM", "7.00.500", Outcome::OlderThanCatalogue, "SQL Server 7.0",
            "7.00.623", "", "", "", 0, -1, Support::Ended);
        row("6.5, older than all", "6.50.416", Outcome::OlderVersion, "SQL Server 7.0", "", "", "",
            "", 0, -1, Support::Unknown);
        row("a version after 2025", "18.0.1000.1", Outcome::NewerVersion, "SQL Server 2025", "", "",
            "", "", 0, -1, Support::Unknown);
        row("a version between known ones", "10.25.1600.1", Outcome::UnknownVersion, "", "", "", "",
            "", 0, -1, Support::Unknown);
        for (const char* malformed :
             {"", "15", "15.0", "15.0.4430.1.7", "15.0.4430.x", "15..4430.1", " 15.0.4430.1",
              "15.0.4430.1 ", "-15.0.4430.1", "15.0.4430.1\n", "SQL Server 2019",
              "99999999999.0.4430.1", "\u0661\u0665.0.4430.1"}) {
            row(qPrintable(QStringLiteral("malformed \"%1\"").arg(QString::fromUtf8(malformed))),
                malformed, Outcome::Malformed, "", "", "", "", "", 0, -1, Support::Unknown);
        }
    }

    void eachVersionStringIsPlacedOnItsLine() {
        QFETCH(QString, version);
        QFETCH(Outcome, outcome);
        QFETCH(QString, release);
        QFETCH(QString, build);
        QFETCH(QString, line);
        QFETCH(QString, newest);
        QFETCH(QString, advised);
        QFETCH(int, updatesBehind);
        QFETCH(int, daysBehind);
        QFETCH(Support, support);

        const BuildLookup lookup = catalogue.lookup(version, aDayInDecember);
        QCOMPARE(lookup.outcome, outcome);
        QCOMPARE(lookup.release ? lookup.release->name : QString(), release);
        QCOMPARE(lookup.build ? lookup.build->text : QString(), build);
        QCOMPARE(lookup.line, line);
        QCOMPARE(lookup.newest ? lookup.newest->text : QString(), newest);
        QCOMPARE(lookup.advised ? lookup.advised->text : QString(), advised);
        QCOMPARE(lookup.updatesBehind, updatesBehind);
        QCOMPARE(lookup.daysBehind.value_or(-1), qint64(daysBehind));
        QCOMPARE(lookup.support, support);
        QVERIFY(!lookup.newest || (!lookup.newest->withdrawn && !lookup.newest->optional));
    }

    void theBuiltInCatalogueIsWholeAndDated() {
        QString problem;
        const BuildCatalogue parsed = BuildCatalogue::parse(builtInText(), &problem);
        QCOMPARE(problem, QString());
        QCOMPARE(parsed.buildCount(), catalogue.buildCount());
        QVERIFY(catalogue.buildCount() > 600);
        QCOMPARE(catalogue.date(), QDate(2026, 8, 13));
    }

    void aDamagedLineCostsItsOwnBuildWhateverTheLineEnds() {
        QString text = builtInText();
        text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        text.replace(QStringLiteral("build\t15.0.4430.1\tCU\t"), QStringLiteral("build\t15.0."));
        QString problem;
        const BuildCatalogue damaged = BuildCatalogue::parse(text, &problem);
        QCOMPARE(damaged.buildCount(), catalogue.buildCount() - 1);
        QVERIFY2(problem.endsWith(QLatin1String("is not a whole build record")),
                 qPrintable(problem));
        const BuildLookup lookup = damaged.lookup(u"15.0.4420.2", aDayInDecember);
        QCOMPARE(lookup.build->name, QStringLiteral("CU31"));
        QCOMPARE(lookup.newest->text, QStringLiteral("15.0.4480.2"));
    }

    void aTextThatIsNoWholeCatalogueSaysWhy_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("problem");
        const QString version = QStringLiteral("version\t15.0\tSQL Server 2019\t2025\t\t\n");
        const QString build =
            QStringLiteral("build\t15.0.2000.5\tRTM\tRTM\t\t2019-11-04\tRTM GDR\t\n");
        const QString dated = QStringLiteral("# date: 2026-11-30\n");
        const auto row = [](const char* tag, const QString& text, const char* problem) {
            QTest::newRow(tag) << text << QString::fromUtf8(problem);
        };
        row("whole", dated + version + build, "");
        row("empty", QString(), "it has no \u201c# date:\u201d line");
        row("no date line", version + build, "it has no \u201c# date:\u201d line");
        row("a date that is none", QStringLiteral("# date: 2026-13-01\n") + version + build,
            "it has no \u201c# date:\u201d line");
        row("dated, no builds", dated + version, "it holds no builds");
        row("a line of prose", dated + version + QStringLiteral("hello\n") + build,
            "line 3 is not a record");
        row("a build cut short", dated + version + QStringLiteral("build\t15.0.2000.5\tRTM\n"),
            "line 3 is not a whole build record");
        row("a bad release date",
            dated + version + QString(build).replace("2019-11-04", "11/04/2019"),
            "line 3 is not a whole build record");
        row("an unknown status", dated + version + QString(build).replace("GDR\t\n", "GDR\tgone\n"),
            "line 3 is not a whole build record");
        row("a version without a name", dated + QStringLiteral("version\t15.0\t\t\t\t\n") + build,
            "line 2 is not a whole version record");
        row("a build of no version", dated + build,
            "line 2 is a build of a version the "
            "catalogue does not name");
    }

    void aTextThatIsNoWholeCatalogueSaysWhy() {
        QFETCH(QString, text);
        QFETCH(QString, problem);
        QString found;
        BuildCatalogue::parse(text, &found);
        QCOMPARE(found, problem);
    }
};

QTEST_GUILESS_MAIN(BuildCatalogueTest)
#include "tst_buildcatalogue.moc"
