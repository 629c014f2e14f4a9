#include "trust/PinStore.h"
#include "trust/ServerKey.h"

#include <QTemporaryDir>
#include <QtTest>
#include <fstream>

using brellow::trust::Pin;
using brellow::trust::PinStore;
using brellow::trust::ServerKey;

namespace {

const std::string kPem = "-----BEGIN CERTIFICATE-----\nMIIBszCCAVmgAwIBAgIU\n"
                         "-----END CERTIFICATE-----\n";
const std::string kSha = "0A:1B:2C:3D:4E:5F:60:71:82:93:A4:B5:C6:D7:E8:F9:"
                         "0A:1B:2C:3D:4E:5F:60:71:82:93:A4:B5:C6:D7:E8:F9";

Pin pinFor(const std::string& server, bool strict = false) {
    return Pin{server, kSha, kPem, 1796790600, strict}; // 2026-12-09T04:30:00Z
}

void write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

} // namespace

class PinStoreTest : public QObject {
    Q_OBJECT

private slots:
    void aServerIsKnownByTheNameTypedAndItsInstanceOrPort() {
        QCOMPARE(ServerKey::of("SQL01.corp", "", 1433), std::string("sql01.corp:1433"));
        QCOMPARE(ServerKey::of("sql01", "Reports", 50123), std::string("sql01\\reports"));
    }

    void nothingIsWrittenUnlessTheUserAsksToRemember() {
        QTemporaryDir folder;
        const std::string file = folder.filePath(QStringLiteral("trusted-servers")).toStdString();
        PinStore store = PinStore::open(file);
        QVERIFY(store.problem().empty());
        std::string error;
        QVERIFY(store.trust(pinFor("a:1433"), false, error));
        QVERIFY(store.find("a:1433") != nullptr);
        QVERIFY(!QFile::exists(QString::fromStdString(file)));

        QVERIFY2(store.trust(pinFor("b\\inst", true), true, error), error.c_str());
        const PinStore reopened = PinStore::open(file);
        QVERIFY2(reopened.problem().empty(), reopened.problem().c_str());
        QVERIFY(reopened.find("a:1433") == nullptr); // trusted for that run only
        const Pin* kept = reopened.find("b\\inst");
        QVERIFY(kept != nullptr);
        QCOMPARE(kept->sha256, kSha);
        QCOMPARE(kept->pem, kPem);
        QCOMPARE(qint64(kept->trustedAt), qint64(1796790600));
        QVERIFY(kept->speaksStrict);
    }

    void aDamagedFileIsReportedAndTrustsNothing_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("problem");
        const QString good = QString::fromStdString(PinStore::format({pinFor("a:1433")}));
        QTest::newRow("empty") << QString() << "it is empty";
        QTest::newRow("cut inside the certificate")
            << good.left(good.indexOf(QStringLiteral("-----END"))) << "ends inside a certificate";
        QTest::newRow("cut before the certificate")
            << good.left(good.indexOf(QStringLiteral("-----BEGIN")))
            << "lacks its fingerprint or certificate";
        QTest::newRow("a fingerprint edited by hand")
            << QString(good).replace(QStringLiteral("0A:1B"), QStringLiteral("0A1B"))
            << "\"sha256\" cannot be";
        QTest::newRow("a setting of no server") << "strict = yes\n"
                                                << "before the first server";
        QTest::newRow("an unknown setting")
            << QString(good).replace(QStringLiteral("strict = no"), QStringLiteral("trust = all"))
            << "\"trust\" cannot be \"all\"";
    }

    void aDamagedFileIsReportedAndTrustsNothing() {
        QFETCH(QString, text);
        QFETCH(QString, problem);
        QTemporaryDir folder;
        const std::string file = folder.filePath(QStringLiteral("trusted-servers")).toStdString();
        write(file, text.toStdString());
        PinStore store = PinStore::open(file);
        QVERIFY2(store.problem().find(problem.toStdString()) != std::string::npos,
                 store.problem().c_str());
        QVERIFY(store.find("a:1433") == nullptr);
        // Remembering would overwrite what the user wrote: it is refused, the run still trusts.
        std::string error;
        QVERIFY(!store.trust(pinFor("a:1433"), true, error));
        QVERIFY(!error.empty());
        QVERIFY(store.find("a:1433") != nullptr);
    }

    void aFileWhoseServersWereAllDeletedIsNoDamage() {
        QTemporaryDir folder;
        const std::string file = folder.filePath(QStringLiteral("trusted-servers")).toStdString();
        write(file, PinStore::format({}));
        QVERIFY(PinStore::open(file).problem().empty());
    }
};

QTEST_GUILESS_MAIN(PinStoreTest)
#include "tst_pinstore.moc"
