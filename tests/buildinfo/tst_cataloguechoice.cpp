#include "buildinfo/BuildCatalogue.h"
#include "buildinfo/CatalogueChoice.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using brellow::buildinfo::BuildCatalogue;
using brellow::buildinfo::CatalogueChoice;

// A catalogue the user has put in their data folder: used when it is whole and newer, and
// never written to.
class CatalogueChoiceTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir folder;
    const QDate today{2026, 12, 8};

    static QString catalogue(const char* date, const char* newestBuild) {
        return QStringLiteral("# date: %1\n"
                              "version\t15.0\tSQL Server 2019\t2025-02-28\t2030-01-08\t\n"
                              "build\t%2\tGDR\tGDR\t5200000\t%1\tRTM GDR\t\n")
            .arg(QLatin1String(date), QLatin1String(newestBuild));
    }

private slots:
    void theUsersCatalogueIsTakenOnlyWhenWholeAndNewer_data() {
        QTest::addColumn<QString>("contents"); // "-": no file; "/": a folder in its place
        QTest::addColumn<bool>("used");
        QTest::addColumn<QString>("told");
        const auto row = [](const char* tag, const QString& contents, bool used, const char* told) {
            QTest::newRow(tag) << contents << used << QString::fromUtf8(told);
        };
        row("none", QStringLiteral("-"), false,
            "Read against the built-in build catalogue, "
            "dated 2026-08-13, 117 days ago: newer updates "
            "may exist.");
        row("newer", catalogue("2026-11-30", "15.0.2190.1"), true,
            "Read against your build catalogue %1, dated 2026-11-30, 8 days ago.");
        row("older", catalogue("2026-01-31", "15.0.2190.1"), false,
            "Your catalogue %1 is dated 2026-01-31, no later than the built-in one.");
        row("no date line", catalogue("2026-11-30", "15.0.2190.1").mid(19), false,
            "Your catalogue %1 was refused: it has no \u201c# date:\u201d line.");
        row("a record that does not parse", catalogue("2026-11-30", "15.0.21x0.1"), false,
            "Your catalogue %1 was refused: line 3 is not a whole build record.");
        row("unreadable", QStringLiteral("/"), false,
            "Your catalogue %1 was refused: it cannot be "
            "read");
    }

    void theUsersCatalogueIsTakenOnlyWhenWholeAndNewer() {
        QFETCH(QString, contents);
        QFETCH(bool, used);
        QFETCH(QString, told);
        const QString path = folder.filePath(QString::fromLatin1(QTest::currentDataTag()));
        if (contents == QLatin1String("/")) {
            QVERIFY(QDir().mkpath(path));
        } else if (contents != QLatin1String("-")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(contents.toUtf8());
        }
        const QDateTime written = QFileInfo(path).lastModified();

        const CatalogueChoice choice = CatalogueChoice::choose(BuildCatalogue::builtIn(), path);
        QCOMPARE(choice.fromUserFile(), used);
        QVERIFY2(choice.description(today).contains(told.arg(QDir::toNativeSeparators(path))),
                 qPrintable(choice.description(today)));
        // The newer file's builds are the ones read; the built-in file's are not.
        QCOMPARE(choice.catalogue().lookup(u"15.0.2190.1", today).outcome ==
                     brellow::buildinfo::BuildLookup::Outcome::Exact,
                 used);
        QCOMPARE(QFileInfo(path).lastModified(), written);
    }
};

QTEST_GUILESS_MAIN(CatalogueChoiceTest)
#include "tst_cataloguechoice.moc"
