#include "buildinfo/BuildCatalogue.h"
#include "buildinfo/CatalogueChoice.h"
#include "buildinfo/ServerInfoMeanings.h"

#include <QtTest>

using brellow::buildinfo::BuildCatalogue;
using brellow::buildinfo::CatalogueChoice;
using brellow::buildinfo::ServerInfoMeanings;

// What a DBA is told of a server's three answers, read against the built-in catalogue.
class ServerInfoMeaningsTest : public QObject {
    Q_OBJECT

private:
    const CatalogueChoice builtIn = CatalogueChoice::choose(BuildCatalogue::builtIn(), QString());
    const QDate aDayInDecember{2026, 12, 8};

private slots:
    void eachServerIsToldWhereItsBuildStands_data() {
        QTest::addColumn<QString>("edition");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QDate>("today");
        // Facts the version's meaning states, and words it must never use of this server.
        QTest::addColumn<QStringList>("told");
        QTest::addColumn<QStringList>("neverTold");
        const auto row = [this](const char* tag, const char* edition, const char* version,
                                QStringList told, QStringList neverTold = {}, QDate today = {}) {
            QTest::newRow(tag) << QString::fromLatin1(edition) << QString::fromLatin1(version)
                               << (today.isValid() ? today : aDayInDecember) << told << neverTold;
        };

        // Azure SQL is told by its edition, whatever number it gives; the same number with a
        // SQL Server edition is SQL Server 2014 RTM.
        const QStringList notSqlServer{"2014", "behind", "Support has ended", "catalogue"};
        row("Azure SQL Database", "SQL Azure", "12.0.2000.8",
            {"Azure SQL version number", "no update to install"}, notSqlServer);
        row("Azure SQL in another case and number", "sql azure", "16.0.9000.12",
            {"Azure SQL version number"}, notSqlServer);
        row("SQL Server 2014 RTM with the same number", "Express Edition (64-bit)", "12.0.2000.8",
            {"SQL Server 2014 RTM", "Support has ended", "Extended Security Updates"}, {"Azure"});

        // A GDR-line server is measured on its own line, and told of the cumulative updates.
        row("2019 on the GDR line", "Standard Edition (64-bit)", "15.0.2130.3",
            {"on the GDR line", "8 updates and 609 days behind", "15.0.2180.2",
             "move to the cumulative-update line: its newest build is 15.0.4480.2"},
            {"15.0.4430.1"});
        row("2019 CU32 on the CU line", "Enterprise Edition", "15.0.4430.1",
            {"on the cumulative-update line", "8 updates and 502 days behind", "15.0.4480.2"},
            {"usual advice"});
        // GDRs released after the catalogue are newer than it, never behind the CU line.
        row("2022 GDR newer than the catalogue", "Developer Edition", "16.0.1200.5",
            {"newer than every one the build catalogue (dated 2026-08-13) lists on its line, "
             "the GDR line",
             "16.0.1190.2", "its newest build is 16.0.4265.3"},
            {"behind"});
        row("2025 GDR newer than the catalogue", "Standard Edition", "17.0.1135.8",
            {"newer than every one", "17.0.1125.2"}, {"behind"});
        row("2022 CU newer than the catalogue", "Standard Edition", "16.0.4295.3",
            {"newer than every one", "the cumulative-update line", "16.0.4265.3"},
            {"behind", "usual advice"});
        // An optional pack is never the target of a server without it, and its own line's is.
        row("2016 SP3 without the Azure Connect pack", "Standard Edition", "13.0.6300.2",
            {"13.0.6500.1", "on the SP3 GDR line"}, {"13.0.7095.1"});
        row("2016 SP3 with the Azure Connect pack", "Standard Edition", "13.0.7000.253",
            {"13.0.7095.1", "an optional pack"}, {"13.0.6500.1"});
        row("2017 CU31 before the optional pack", "Standard Edition", "14.0.3456.2",
            {"14 updates", "14.0.3540.1"}, {"14.0.3490.10"});
        // Withdrawn and replaced builds are told alike, and counted once.
        row("2022 CU23's first release", "Standard Edition", "16.0.4235.2",
            {"withdrew this build and replaced it with 16.0.4236.2", "8 updates"});
        row("2025 CU1's first release", "Standard Edition", "17.0.4005.7",
            {"withdrew this build and replaced it with 17.0.4006.2"});
        row("2022 CU17 counts CU23 once", "Standard Edition", "16.0.4175.1",
            {"18 updates and 546 days behind"});
        row("2019 CU7, removed", "Standard Edition", "15.0.4063.15",
            {"Microsoft withdrew this build."}, {"replaced"});
        // An older service pack's server is told of the newest service pack's line.
        row("2014 SP2 GDR", "Standard Edition", "12.0.5000.0",
            {"on the SP2 GDR line", "move to the SP3 cumulative-update line", "12.0.6449.1"});
        row("2008 R2 SP1 GDR, updated last on SP3's GDR line", "Standard Edition", "10.50.2550.00",
            {"move to the SP3 GDR line", "10.50.6785.2"});
        row("an unlisted 2019 GDR between two listed", "Standard Edition", "15.0.2131.0",
            {"at least SQL Server 2019 GDR", "at most 8 updates"});
        // Dates the lists gave wrong.
        row("2005 SP4 CU2", "Standard Edition", "9.00.5259", {"released 2011-02-21"});
        row("2017 CU8", "Standard Edition", "14.0.3029.16", {"released 2018-06-21"});
        row("2000 after MS09-004", "Standard Edition", "8.00.2282", {"released 2009-02-10"});
        row("2008 SP4 and MS15-058", "Standard Edition", "10.0.6241.0", {"MS15-058"});
        row("2019 GDR1, no security update", "Standard Edition", "15.0.2070.41",
            {"Servicing Update (GDR1), a servicing update (GDR) with no security fix"},
            {"(GDR1), a security update"});

        // Each version's support on one day, 7.0 to 2025.
        const QStringList none;
        row("7.0", "Standard Edition", "7.00.1063", {"extended support ended on 2011-01-11"});
        row("2000", "Standard Edition", "8.00.2039", {"extended support ended on 2013-04-09"});
        row("2005", "Standard Edition", "9.00.5000", {"extended support ended on 2016-04-12"});
        row("2008", "Standard Edition", "10.0.6000.29", {"extended support ended on 2019-07-09"},
            {"Extended Security Updates"});
        row("2012", "Standard Edition", "11.0.7001.0", {"extended support ended on 2022-07-12"});
        row("2016 past its end", "Standard Edition", "13.0.6300.2",
            {"extended support ended on 2026-07-14", "Extended Security Updates for SQL Server "
                                                     "2016"});
        row("2017", "Standard Edition", "14.0.3456.2",
            {"Mainstream support ended on 2022-10-11; extended support ends on 2027-10-12"});
        row("2019", "Standard Edition", "15.0.4430.1",
            {"Mainstream support ended on 2025-02-28; extended support ends on 2030-01-08"});
        row("2019 on its moved last mainstream day", "Standard Edition", "15.0.4430.1",
            {"Mainstream support ends on 2025-02-28"}, none, {2025, 2, 28});
        row("2022", "Standard Edition", "16.0.4265.3",
            {"Mainstream support ends on 2028-01-11, extended support on 2033-01-11"});
        row("2025, whose mainstream end has a year only", "Standard Edition", "17.0.4075.5",
            {"Mainstream support ends in 2031, extended support on 2036-01-06"});
        row("2025 after that year", "Standard Edition", "17.0.4075.5",
            {"Mainstream support ended in 2031; extended support ends on 2036-01-06"}, none,
            {2032, 1, 1});

        // The catalogue's age is told beside every distance, and a stale one says so.
        row("a catalogue 10 days old", "Standard Edition", "15.0.4430.1",
            {"dated 2026-08-13, 10 days ago."}, {"may exist"}, {2026, 8, 23});
        row("a catalogue 61 days old", "Standard Edition", "15.0.4430.1",
            {"61 days ago: newer updates may exist"}, none, {2026, 10, 13});
    }

    void eachServerIsToldWhereItsBuildStands() {
        QFETCH(QString, edition);
        QFETCH(QString, version);
        QFETCH(QDate, today);
        QFETCH(QStringList, told);
        QFETCH(QStringList, neverTold);

        const auto meaning =
            ServerInfoMeanings(builtIn, today).explain(edition, version, QStringLiteral("RTM"));
        const QString text = meaning.version.join(QLatin1Char(' '));
        for (const QString& fact : told) {
            QVERIFY2(text.contains(fact), qPrintable(fact + QStringLiteral(" -- in: ") + text));
        }
        // Nothing the server is told elsewhere contradicts it either.
        const QString all =
            text + meaning.edition.join(QLatin1Char(' ')) + meaning.level.join(QLatin1Char(' '));
        for (const QString& word : neverTold) {
            QVERIFY2(!all.contains(word), qPrintable(word + QStringLiteral(" -- in: ") + all));
        }
    }

    // A user's catalogue may list a line whose every build was withdrawn.
    void aBuildPastALineOfWithdrawnBuildsIsToldSo() {
        const CatalogueChoice own = CatalogueChoice::choose(
            BuildCatalogue::parse(
                u"# date: 2026-11-30\n"
                "version\t15.0\tSQL Server 2019\t\t\t\n"
                "build\t15.0.2190.1\tGDR\tGDR\t\t2026-11-11\tRTM GDR\twithdrawn\n"),
            QString());
        const auto meaning = ServerInfoMeanings(own, aDayInDecember)
                                 .explain(QStringLiteral("Standard Edition"),
                                          QStringLiteral("15.0.2191.0"), QStringLiteral("RTM"));
        QVERIFY2(meaning.version.value(0).endsWith(QLatin1String("lists on its line, the GDR "
                                                                 "line, which takes security "
                                                                 "fixes only.")),
                 qPrintable(meaning.version.value(0)));
    }
};

QTEST_GUILESS_MAIN(ServerInfoMeaningsTest)
#include "tst_serverinfomeanings.moc"
