// Logins through the trust gate, by the real component against the test server (on Linux
// unixODBC and FreeTDS; on Windows, under Wine, the SChannel probe and the driver manager):
// what the user is asked, what the server receives, and that a password never crosses in clear
// unless the user agreed to it.
#include "Login7Password.h"
#include "TestServerProcess.h"
#include "ado/ComponentFactory.h"
#include "ado/Connection.h"
#include "ado/DbError.h"
#include "ado/ErrorNumbers.h"
#include "odbc/OdbcComponentFactory.h"
#include "odbc/OdbcSystem.h"
#include "trust/CertificateProbe.h"
#include "trust/PinStore.h"
#include "trust/ServerKey.h"
#include "trust/TrustGate.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>

// The driver alone, as FreeTDS is given a pin on Linux.
#ifndef _WIN32
#include "linux/PrivateFreeTdsConfig.h"

#include <sql.h>
#include <sqlext.h>
#endif

using brellow::testsupport::TestServerProcess;
using namespace brellow;

namespace {

const QString kPassword = QStringLiteral("Tr0st#me");

// A connection property's value as text; empty for none.
QString propertyText(ado::Connection& connection, const std::string& name) {
    ado::Properties& all = connection.properties();
    for (std::int32_t i = 0; i < all.count(); ++i) {
        if (all.item(i).name() == name) {
            return QString::fromStdString(all.item(i).value().toTextOrEmpty());
        }
    }
    return {};
}
constexpr auto kAuthority = "@authority";

// Answers the gate's questions as a script says, and notes each one asked.
class ScriptedQuestions final : public trust::TrustQuestions {
public:
    bool trust = false;
    bool remember = false;
    QStringList asked;

    Choice askUnknown(const std::string& server, const trust::CertificateProbe::Result& shown,
                      const std::string&) override {
        asked << QStringLiteral("unknown");
        askedAbout = server;
        shownSha256 = shown.certificate.sha256;
        return {trust, remember};
    }
    Choice warnChanged(const std::string&, const trust::Pin&,
                       const trust::CertificateProbe::Result&, const std::string&) override {
        asked << QStringLiteral("changed");
        return {trust, remember};
    }
    bool warnDowngrade(const std::string&, const trust::Pin&) override {
        asked << QStringLiteral("downgrade");
        return trust;
    }
    bool askPlaintext(const std::string&) override {
        asked << QStringLiteral("plaintext");
        return trust;
    }

    std::string shownSha256;
    std::string askedAbout;
};

// A pin for the server that matches no certificate it has.
void pinAnotherCertificate(const std::string& pinsFile, quint16 port) {
    const trust::Pin other{trust::ServerKey::of("localhost", "", port),
                           "00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF:"
                           "00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF",
                           "-----BEGIN CERTIFICATE-----\nAAAA\n-----END CERTIFICATE-----\n",
                           1796790600, false};
    std::ofstream(pinsFile, std::ios::binary) << trust::PinStore::format({other});
}

} // namespace

class TrustedLoginIntegrationTest : public QObject {
    Q_OBJECT

private slots:
    void everyLoginPassesTheGateAndNothingIsSentUnlessItLetsThrough_data() {
        QTest::addColumn<QStringList>("serverArgs");
        QTest::addColumn<bool>("useAuthority"); // kAuthority's certificate trusted by the gate
        QTest::addColumn<bool>("pinAnother");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<int>("opens");
        QTest::addColumn<QString>("asked");
        QTest::addColumn<qint32>("error"); // 0: every open succeeds
        QTest::addColumn<int>("logins");
        // The gate's own connections come with first contact and after a failed login only.
        QTest::addColumn<int>("connections");
        // On Windows a driver that cannot be held to a pinned certificate has it compared
        // before every login, so a changed one is caught before the driver connects at all:
        // under Wine the driver is FreeTDS, which can be held to none.
        QTest::addColumn<int>("windowsConnections");
        QTest::addColumn<bool>("clearPassword");

        const QStringList authority{QStringLiteral("--ca-out"), kAuthority};
        const QStringList v2019{QStringLiteral("--profile"), QStringLiteral("2019")};
        const QStringList v2000{QStringLiteral("--profile"), QStringLiteral("2000")};
        const qint32 cancelled = ado::errors::kOperationCancelled;
        const qint32 fail = ado::errors::kFail;
        const qint32 authFailed = ado::errors::kAuthenticationFailed;
        // clang-format off
        //        server args, authority, pin another, answer, opens, asked, error, logins, connections, on Windows, clear
        QTest::newRow("a certificate that validates: no question")
            << v2019 + authority << true << false << false << 1 << "" << 0 << 1 << 2 << 2 << false;
        QTest::newRow("a certificate SQL Server made itself, cancelled: nothing sent")
            << v2019 << false << false << false << 1 << "unknown" << cancelled << 0 << 1 << 1 << false;
        QTest::newRow("trusted once, pinned for the run: asked and fetched once")
            << v2019 << false << false << true << 2 << "unknown" << 0 << 2 << 3 << 4 << false;
        QTest::newRow("another name, trusted: the pin holds whatever the name")
            << v2019 + QStringList{"--cert-name", "sql.example.com"} + authority
            << true << false << true << 1 << "unknown" << 0 << 1 << 2 << 2 << false;
        QTest::newRow("an expired certificate, trusted: compared before every login")
            << v2019 + QStringList{"--cert-validity", "expired"}
            << false << false << true << 2 << "unknown" << 0 << 2 << 4 << 4 << false;
        QTest::newRow("a pinned server shows another certificate: warned, nothing sent")
            << v2019 << false << true << false << 1 << "changed" << cancelled << 0 << 2 << 1 << false;
        QTest::newRow("another certificate, trusted explicitly: it replaces the pin")
            << v2019 << false << true << true << 2 << "changed" << 0 << 2 << 4 << 4 << false;
        QTest::newRow("encrypted before, cannot now: warned, nothing sent")
            << v2000 << false << true << false << 1 << "downgrade" << cancelled << 0 << 2 << 1 << false;
        QTest::newRow("never seen, cannot encrypt, declined: nothing sent")
            << v2000 << false << false << false << 1 << "plaintext" << cancelled << 0 << 1 << 1 << false;
        QTest::newRow("never seen, cannot encrypt, agreed: asked once a run")
            << v2000 << false << false << true << 2 << "plaintext" << 0 << 2 << 3 << 3 << true;
        QTest::newRow("TDS 8.0 only, with FreeTDS 1.3: refused, nothing sent")
            << QStringList{"--profile", "2022-strict"} + authority
            << true << false << true << 1 << "" << authFailed << 0 << 2 << 2 << false;
        QTest::newRow("a handshake the server breaks off: refused in time")
            << v2019 + QStringList{"--fault", "break-tls"}
            << false << false << true << 1 << "" << fail << 0 << 1 << 1 << false;
        // clang-format on
    }

    void everyLoginPassesTheGateAndNothingIsSentUnlessItLetsThrough() {
        QFETCH(QStringList, serverArgs);
        QFETCH(bool, useAuthority);
        QFETCH(bool, pinAnother);
        QFETCH(bool, answer);
        QFETCH(int, opens);
        QFETCH(QString, asked);
        QFETCH(qint32, error);
        QFETCH(int, logins);
        QFETCH(int, connections);
        QFETCH(int, windowsConnections);
        QFETCH(bool, clearPassword);
#ifdef _WIN32
        if (serverArgs.contains(QLatin1String("2022-strict"))) {
            QSKIP("under Wine the login goes through the host's FreeTDS 1.3, which has no TDS "
                  "8.0; Microsoft's drivers' keywords for it are connection-string rows");
        }
        connections = windowsConnections;
        // The Linux test server writes the authority where Wine shows it as drive Z:.
        QTemporaryDir folder(QStringLiteral("Z:/tmp/brellow-gate-XXXXXX"));
        const QString authorityFile = folder.filePath(QStringLiteral("authority.pem"));
        serverArgs.replaceInStrings(QString::fromLatin1(kAuthority), authorityFile.mid(2));
#else
        (void)windowsConnections;
        QTemporaryDir folder;
        const QString authorityFile = folder.filePath(QStringLiteral("authority.pem"));
        serverArgs.replaceInStrings(QString::fromLatin1(kAuthority), authorityFile);
#endif
        TestServerProcess server({QStringLiteral("sa"), kPassword, QString(), QString(), QString(),
                                  QString(), 60, serverArgs});
        QVERIFY2(server.start(), qPrintable(server.errorString()));

        const std::string pinsFile = folder.filePath(QStringLiteral("pins")).toStdString();
        if (pinAnother) {
            pinAnotherCertificate(pinsFile, server.port());
        }
        ScriptedQuestions questions;
        questions.trust = answer;
        auto gate = std::make_shared<trust::TrustGate>(questions, pinsFile);
        if (useAuthority) {
            gate->trustAuthority(authorityFile.toStdString());
        }
        odbc::OdbcComponentFactory factory;
        factory.passLoginsThrough(gate);

        QString vouched;
        for (int i = 0; i < opens; ++i) {
            auto object = factory.createObject("ADODB.Connection");
            auto* connection = dynamic_cast<ado::Connection*>(object.get());
            QVERIFY(connection != nullptr);
            connection->setConnectionString(
                "Provider=SQLOLEDB.1;Data Source=localhost," + std::to_string(server.port()) +
                ";User ID=sa;Password=" + kPassword.toStdString() + ";Connect Timeout=3");
            try {
                connection->open();
                QCOMPARE(error, 0);
                vouched = propertyText(*connection, "Server Certificate");
                connection->close();
            } catch (const ado::DbError& e) {
                QVERIFY2(error == e.number(), e.what());
            }
        }
        QCOMPARE(questions.asked.join(QLatin1Char(',')), asked);
        if (error == 0) {
            // The connection's properties say how the last login's certificate was vouched for.
            QString expected = QStringLiteral("pinned: trusted by the user");
            if (serverArgs.contains(QLatin1String("expired"))) {
                expected =
                    QStringLiteral("pinned, outside its dates: compared just before the login");
            } else if (serverArgs.contains(QLatin1String("2000"))) {
                expected = QStringLiteral("none: the server cannot encrypt");
            } else if (useAuthority && asked.isEmpty()) {
                expected = QStringLiteral("validated");
            }
#ifdef _WIN32
            // FreeTDS takes no authority from a connection string: the gate's check is the one.
            expected.replace(QStringLiteral("pinned: trusted by the user"),
                             QStringLiteral("pinned: compared just before the login, which the "
                                            "driver only encrypts"));
            expected.replace(QRegularExpression(QStringLiteral("^validated$")),
                             QStringLiteral("validated just before the login, which the driver "
                                            "only encrypts"));
#endif
            QCOMPARE(vouched, expected);
        }
        QCOMPARE(server.loginLines().size(), logins);
        // The server notes a handshake once it has ended on its side, a moment after the client.
        const auto connectionsSeen = [&server] {
            QSet<QString> seen;
            for (const QString& line : server.wireLogLines()) {
                seen.insert(line.section(QLatin1Char(' '), 0, 0));
            }
            return int(seen.size());
        };
        QTRY_COMPARE_WITH_TIMEOUT(connectionsSeen(), connections, 5000);
        const QByteArray received = server.receivedBytes().join();
        QCOMPARE(received.contains(testsupport::login7Password(kPassword)), clearPassword);
        // Nothing was remembered: the user was never asked to.
        QCOMPARE(QFile::exists(QString::fromStdString(pinsFile)), pinAnother);
    }

    // A named instance is looked up first (on Windows too, where the driver would otherwise
    // ask the browser itself), checked and pinned under its name, and logged in where it was
    // looked up.
    void aNamedInstanceIsCheckedLikeAnyOtherServer() {
        TestServerProcess server(
            {QStringLiteral("sa"),
             kPassword,
             {},
             {},
             {},
             {},
             60,
             {QStringLiteral("--profile"), QStringLiteral("2019"), QStringLiteral("--browser-port"),
              QStringLiteral("1434"), QStringLiteral("--instance"), QStringLiteral("SALES")}});
        if (!server.start()) {
            QSKIP(qPrintable("no SQL Server Browser on UDP 1434: " + server.errorString()));
        }
        QTemporaryDir folder;
        ScriptedQuestions questions;
        questions.trust = true;
        odbc::OdbcComponentFactory factory;
        factory.passLoginsThrough(std::make_shared<trust::TrustGate>(
            questions, folder.filePath(QStringLiteral("pins")).toStdString()));
        for (int i = 0; i < 2; ++i) {
            auto connection = ado::createObjectAs<ado::Connection>(factory, ado::kConnectionProgId);
            connection->setConnectionString(
                "Provider=SQLOLEDB.1;Data Source=localhost\\SALES;User ID=sa;Password=" +
                kPassword.toStdString() + ";Connect Timeout=5");
            try {
                connection->open();
            } catch (const ado::DbError& e) {
                QFAIL(e.what());
            }
            QVERIFY(propertyText(*connection, "Server Certificate").startsWith("pinned"));
            connection->close();
        }
        QCOMPARE(questions.asked, QStringList{QStringLiteral("unknown")});
        QCOMPARE(questions.askedAbout, std::string("localhost\\sales"));
        QCOMPARE(server.loginLines().size(), 2);
    }

#ifndef _WIN32
    // TDS 8.0 through FreeTDS 1.5 (the freetds15 fixture, built from Debian's source): a server
    // that speaks nothing else is reached, and pinned as one that speaks it.
    void aStrictOnlyServerIsReachedThroughFreeTds15_data() {
        QTest::addColumn<bool>("useAuthority");
        QTest::addColumn<int>("opens");
        QTest::addColumn<QString>("asked");
        QTest::addColumn<int>("connections");
        QTest::addColumn<QString>("vouched");
        QTest::newRow("a certificate that validates") << true << 1 << "" << 3 << "validated";
        QTest::newRow("its own certificate, trusted once, then from memory")
            << false << 2 << "unknown" << 4 << "pinned: trusted by the user";
    }

    void aStrictOnlyServerIsReachedThroughFreeTds15() {
        QFETCH(bool, useAuthority);
        QFETCH(int, opens);
        QFETCH(QString, asked);
        QFETCH(int, connections);
        QFETCH(QString, vouched);
        const QString freetds = qEnvironmentVariable("BRELLOW_FREETDS15");
        if (freetds.isEmpty()) {
            QSKIP("FreeTDS 1.5 comes with the freetds15 fixture (BRELLOW_FREETDS15)");
        }
        QTemporaryDir folder;
        const QString authorityFile = folder.filePath(QStringLiteral("authority.pem"));
        TestServerProcess server({QStringLiteral("sa"), kPassword, {}, {}, {}, {}, 60, {
                                      QStringLiteral("--profile"),
                                      QStringLiteral("2022-strict"),
                                      QStringLiteral("--ca-out"),
                                      authorityFile
                                  }});
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        ScriptedQuestions questions;
        questions.trust = true;
        auto gate = std::make_shared<trust::TrustGate>(
            questions, folder.filePath(QStringLiteral("pins")).toStdString());
        if (useAuthority) {
            gate->trustAuthority(authorityFile.toStdString());
        }
        odbc::OdbcComponentFactory factory({(freetds + "/lib/libtdsodbc.so").toStdString()});
        factory.passLoginsThrough(gate);
        QString shown;
        for (int i = 0; i < opens; ++i) {
            auto connection = ado::createObjectAs<ado::Connection>(factory, ado::kConnectionProgId);
            connection->setConnectionString(
                "Provider=SQLOLEDB.1;Data Source=localhost," + std::to_string(server.port()) +
                ";User ID=sa;Password=" + kPassword.toStdString() + ";Connect Timeout=5");
            try {
                connection->open();
            } catch (const ado::DbError& e) {
                QFAIL(e.what());
            }
            shown = propertyText(*connection, "Server Certificate");
            connection->close();
        }
        QCOMPARE(questions.asked.join(QLatin1Char(',')), asked);
        QCOMPARE(shown, vouched);
        const QStringList logins = server.loginLines();
        QCOMPARE(logins.size(), opens);
        for (const QString& login : logins) {
            QVERIFY2(login.contains(QLatin1String("tls=1")), qPrintable(login));
        }
        QTRY_COMPARE_WITH_TIMEOUT(
            int(server.wireLogLines().filter(QStringLiteral(" TLS len=0 tds8=1 ")).size()),
            connections - 1, 5000);
    }

    // What the gate lets through is only as good as the driver's own check at the login: given
    // one certificate to trust, FreeTDS refuses any other before it sends the login.
    void theDriverTrustsThePinnedCertificateAlone_data() {
        QTest::addColumn<bool>("pinTheServersOwn");
        QTest::newRow("its own certificate: logged in") << true;
        QTest::newRow("another server's certificate: refused, nothing sent") << false;
    }

    void theDriverTrustsThePinnedCertificateAlone() {
        QFETCH(bool, pinTheServersOwn);
        const QStringList args{QStringLiteral("--profile"), QStringLiteral("2019")};
        TestServerProcess server({QStringLiteral("sa"), kPassword, {}, {}, {}, {}, 60, args});
        TestServerProcess other({QStringLiteral("sa"), kPassword, {}, {}, {}, {}, 60, args});
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY2(other.start(), qPrintable(other.errorString()));
        const auto fetch = [](quint16 port) {
            trust::CertificateProbe::Request request;
            request.host = "localhost";
            request.port = port;
            request.deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            return trust::CertificateProbe::fetch(request).certificate.pem;
        };
        const std::string pem = fetch(pinTheServersOwn ? server.port() : other.port());
        QVERIFY(!pem.empty());

        const odbc::PrivateFreeTdsConfig config({"localhost", server.port(), "system", pem});
        const std::string driver =
            odbc::OdbcSystem::findDriver(odbc::OdbcSystem::defaultDriverCandidates()).name;
        const std::string text = "DRIVER={" + driver + "};SERVERNAME={" +
                                 odbc::PrivateFreeTdsConfig::kSection + "};UID={sa};PWD={" +
                                 kPassword.toStdString() + "};";
        SQLHENV environment = SQL_NULL_HENV;
        SQLHDBC connection = SQL_NULL_HDBC;
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment);
        SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION,
                      reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_OV_ODBC3)), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, environment, &connection);
        SQLSetConnectAttr(connection, SQL_ATTR_LOGIN_TIMEOUT,
                          reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(5)), 0);
        const SQLRETURN rc = SQLDriverConnect(
            connection, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str())),
            static_cast<SQLSMALLINT>(text.size()), nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
        const bool connected = SQL_SUCCEEDED(rc);
        if (connected) {
            SQLDisconnect(connection);
        }
        SQLFreeHandle(SQL_HANDLE_DBC, connection);
        SQLFreeHandle(SQL_HANDLE_ENV, environment);

        QCOMPARE(connected, pinTheServersOwn);
        QCOMPARE(server.loginLines().size(), pinTheServersOwn ? 1 : 0);
        QVERIFY(!server.receivedBytes().join().contains(testsupport::login7Password(kPassword)));
    }
#endif
};

QTEST_GUILESS_MAIN(TrustedLoginIntegrationTest)
#include "tst_trustedlogin_integration.moc"
