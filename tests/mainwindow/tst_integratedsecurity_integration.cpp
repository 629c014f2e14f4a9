// Integrated security from Linux, end to end: the main window and the real database component
// against the TDS test server, which checks Kerberos tickets with GSSAPI against a keytab of a
// real MIT Kerberos realm on loopback (the "kerberos" fixture). NTLM logins are
// tst_ntlm_integration's.
#include "ado/ComponentFactory.h"
#include "ado/Connection.h"
#include "odbc/OdbcSystem.h"
#include "results/ResultsWindow.h"
#include "support/KerberosRealm.h"
#include "support/MainWindowWithComponent.h"
#include "support/TestServerProcess.h"
#include "trustui/WindowTrustQuestions.h"

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using brellow::testsupport::KerberosRealm;
using brellow::testsupport::TestServerProcess;

namespace {

const QString kEdition = QStringLiteral("Enterprise Edition");
const QString kVersion = QStringLiteral("8.00.2039");
const QString kLevel = QStringLiteral("SP4");
const QString kNtlmAccount = QStringLiteral("BRELLOW\\bob");
const QString kNtlmPassword = QStringLiteral("N7lm pass;word");
const QString kInstance = QStringLiteral("KRBINST");
// The browser's well-known port: the component always asks there.
constexpr quint16 kBrowserPort = 1434;
// What a login without a Connect Timeout may take, and a margin for a loaded machine.
constexpr qint64 kLoginTimeoutMs = 15000;
constexpr qint64 kMarginMs = 3000;

bool ipv6LoopbackAccepts(quint16 port) {
    const int fd = ::socket(AF_INET6, SOCK_STREAM, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_port = htons(port);
    address.sin6_addr = in6addr_loopback;
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

} // namespace

class IntegratedSecurityIntegrationTest : public QObject {
    Q_OBJECT

private:
    brellow::testsupport::MainWindowWithComponent window;
    brellow::testsupport::FakeMessageBoxService& boxes = window.boxes;
    brellow::testsupport::FakeModalPresenter& modal = window.modal;

    KerberosRealm realm;
    QTemporaryDir caches;
    int cacheCount = 0;
    // The server every service principal is registered for, and one none is registered for
    // but "localhost,port", whose key only another keytab holds.
    std::unique_ptr<TestServerProcess> server;
    std::unique_ptr<TestServerProcess> stranger;
    // A SQL Server 2019 with its self-signed certificate: the login goes inside TLS.
    std::unique_ptr<TestServerProcess> encrypting;
    bool browserAnswers = false;
    bool ipv6 = false;

    TestServerProcess::Options options(const QStringList& extra) const {
        TestServerProcess::Options o;
        o.user = QStringLiteral("sa");
        o.password = QStringLiteral("not-used");
        o.edition = kEdition;
        o.version = kVersion;
        o.level = kLevel;
        o.lifetimeSeconds = 600;
        o.extraArgs = realm.serverArguments() + extra;
        return o;
    }

    template <class T> T* control(const char* name) { return window.control<T>(name); }

    // A credentials cache of its own for each case, holding a fresh ticket unless told
    // otherwise, so that no service ticket carries over from an earlier case.
    QString useNewCache(bool withTicket, const QString& lifetime = QStringLiteral("8h")) {
        const QString cache =
            QStringLiteral("FILE:%1/cache%2").arg(caches.path()).arg(++cacheCount);
        if (withTicket && !realm.getTicket(cache, lifetime)) {
            return {};
        }
        qputenv("KRB5CCNAME", cache.toUtf8());
        return cache;
    }

    // The check box left clear, as it starts; text in the login boxes that must not be read.
    void getVersionInfoIntegrated(const QString& dataSource) {
        QTest::keyClicks(control<QLineEdit>("txtServer"), dataSource);
        control<QLineEdit>("txtUser")->setText(QStringLiteral("typed-user"));
        control<QLineEdit>("txtPassword")->setText(QStringLiteral("typed-password"));
        QVERIFY(!control<QCheckBox>("chkDoNotUseIntegratedSecuirity")->isChecked());
        QTest::mouseClick(control<QPushButton>("cmdGetVersion"), Qt::LeftButton);
    }

private slots:
    void initTestCase() {
        QVERIFY(caches.isValid());
        QVERIFY2(realm.start(), qPrintable(realm.errorString()));
        server = std::make_unique<TestServerProcess>(options(
            {QStringLiteral("--ntlm-account"), kNtlmAccount, QStringLiteral("--ntlm-password"),
             kNtlmPassword, QStringLiteral("--browser-port"), QString::number(kBrowserPort),
             QStringLiteral("--instance"), kInstance}));
        browserAnswers = server->start();
        if (!browserAnswers) {
            // Another program holds the browser port: named instances can't be tried here.
            qWarning("no SQL Browser on UDP %u: %s", kBrowserPort,
                     qPrintable(server->errorString()));
            server = std::make_unique<TestServerProcess>(
                options({QStringLiteral("--ntlm-account"), kNtlmAccount,
                         QStringLiteral("--ntlm-password"), kNtlmPassword}));
            QVERIFY2(server->start(), qPrintable(server->errorString()));
        }
        const QString port = QString::number(server->port());
        ipv6 = ipv6LoopbackAccepts(server->port());
        QVERIFY2(realm.addServices({"MSSQLSvc/127.0.0.1:" + port, "MSSQLSvc/localhost:" + port,
                                    "MSSQLSvc/::1:" + port}),
                 qPrintable(realm.errorString()));

        encrypting = std::make_unique<TestServerProcess>(options(
            {QStringLiteral("--profile"), QStringLiteral("2019"), QStringLiteral("--ntlm-account"),
             kNtlmAccount, QStringLiteral("--ntlm-password"), kNtlmPassword}));
        QVERIFY2(encrypting->start(), qPrintable(encrypting->errorString()));
        QVERIFY2(realm.addServices({"MSSQLSvc/127.0.0.1:" + QString::number(encrypting->port())}),
                 qPrintable(realm.errorString()));

        stranger = std::make_unique<TestServerProcess>(options({}));
        QVERIFY2(stranger->start(), qPrintable(stranger->errorString()));
        QVERIFY2(realm.addServices({"MSSQLSvc/localhost:" + QString::number(stranger->port())},
                                   caches.filePath(QStringLiteral("elsewhere.keytab"))),
                 qPrintable(realm.errorString()));
    }

    void cleanupTestCase() {
        window.close();
        stranger.reset();
        encrypting.reset();
        server.reset();
        realm.stop();
    }

    void init() { window.open(); }

    void cleanup() { window.close(); }

    void everyDataSourceFormLogsInWithItsServicePrincipal_data() {
        QTest::addColumn<QString>("dataSource");
        QTest::addColumn<QString>("principal");
        QTest::addColumn<bool>("encrypted");
        const QString port = QString::number(server->port());
        QTest::newRow("address,port")
            << "127.0.0.1," + port << "MSSQLSvc/127.0.0.1:" + port << false;
        QTest::newRow("localhost,port")
            << "localhost," + port << "MSSQLSvc/localhost:" + port << false;
        QTest::newRow("(local),port") << "(local)," + port << "MSSQLSvc/127.0.0.1:" + port << false;
        QTest::newRow("tcp:host,port")
            << "tcp:localhost," + port << "MSSQLSvc/localhost:" + port << false;
        QTest::newRow("[IPv6],port") << "[::1]," + port << "MSSQLSvc/::1:" + port << false;
        QTest::newRow("address\\instance")
            << "127.0.0.1\\" + kInstance << "MSSQLSvc/127.0.0.1:" + port << false;
        const QString tlsPort = QString::number(encrypting->port());
        QTest::newRow("login inside TLS")
            << "127.0.0.1," + tlsPort << "MSSQLSvc/127.0.0.1:" + tlsPort << true;
    }

    void everyDataSourceFormLogsInWithItsServicePrincipal() {
        QFETCH(QString, dataSource);
        QFETCH(QString, principal);
        QFETCH(bool, encrypted);
        const TestServerProcess& target = encrypted ? *encrypting : *server;
        if (dataSource.startsWith(QLatin1Char('[')) && !ipv6) {
            QSKIP("this machine has no IPv6 loopback");
        }
        if (dataSource.contains(QLatin1Char('\\')) && !browserAnswers) {
            QSKIP("the SQL Browser port is taken by another program");
        }
        QVERIFY(!useNewCache(true).isEmpty());
        const qsizetype issuedBefore = realm.ticketsIssuedFor(principal).size();
        const qsizetype loginsBefore = target.loginLines().size();

        getVersionInfoIntegrated(dataSource);

        window.verifyAnswers(kEdition, kVersion, kLevel);
        QCOMPARE(realm.ticketsIssuedFor(principal).size(), issuedBefore + 1);
        const QStringList logins = target.loginLines().mid(loginsBefore);
        QCOMPARE(logins.size(), 1);
        // A raw Kerberos token, accepted as the realm's user; the login boxes were not read.
        QVERIFY2(logins[0].contains(QLatin1String(" user= integrated=1 ")) &&
                     logins[0].contains(" sspi=kerberos result=accepted login=" + realm.user()),
                 qPrintable(logins[0]));
        QVERIFY(!logins[0].contains(QStringLiteral("typed-")));
        QCOMPARE(logins[0].contains(QLatin1String(" tls=1")), encrypted);
    }

    // Through the trust gate, as the program logs in: the server's own certificate trusted, then
    // the driver's private configuration carries the Kerberos login as it carries a password.
    void aKerberosLoginPassesTheTrustGateToo() {
        QVERIFY(!useNewCache(true).isEmpty());
        QTemporaryDir pins;
        brellow::trustui::WindowTrustQuestions questions(window.modal, window.mainWindow.get());
        window.components.passLoginsThrough(brellow::odbc::OdbcSystem::makeTrustGate(
            questions, pins.filePath(QStringLiteral("trusted-servers.txt")).toStdString()));
        window.modal.whileShown = [](QDialog& dialog) {
            dialog.findChild<QPushButton*>(QStringLiteral("cmdGoOn"))->click();
        };
        const qsizetype loginsBefore = encrypting->loginLines().size();

        getVersionInfoIntegrated("127.0.0.1," + QString::number(encrypting->port()));

        window.components.passLoginsThrough(nullptr);
        QCOMPARE(window.modal.calls, 1);
        window.verifyAnswers(kEdition, kVersion, kLevel);
        const QStringList logins = encrypting->loginLines().mid(loginsBefore);
        QCOMPARE(logins.size(), 1);
        QVERIFY2(logins[0].contains(" sspi=kerberos result=accepted login=" + realm.user()) &&
                     logins[0].contains(QLatin1String(" tls=1")),
                 qPrintable(logins[0]));
    }

    void propertiesNameThePrincipalThatLoggedIn() {
        QVERIFY(!useNewCache(true).isEmpty());
        QStringList rows;
        modal.whileShown = [&rows](QDialog& dialog) {
            auto& results = dynamic_cast<brellow::results::ResultsWindow&>(dialog);
            for (int i = 0; i < results.list()->count(); ++i) {
                rows << results.list()->item(i)->text();
            }
        };
        const qsizetype linesBefore = server->wireLogLines().size();
        QTest::keyClicks(control<QLineEdit>("txtServer"),
                         QStringLiteral("localhost,%1").arg(server->port()));
        window.mainWindow->findChild<QAction*>(QStringLiteral("mnuViewConnectionProperties"))
            ->trigger();

        QVERIFY2(boxes.shown.isEmpty(), qPrintable(boxes.shown.value(0).text));
        QCOMPARE(modal.calls, 1);
        QVERIFY2(rows.contains(QStringLiteral("Integrated Security\tSSPI")),
                 qPrintable(rows.join('\n')));
        QVERIFY2(rows.contains("User Name\t" + realm.user()), qPrintable(rows.join('\n')));
        // The name comes from the credential, not from the wire: handshake and login only.
        QStringList types;
        for (const QString& line : server->wireLogLines().mid(linesBefore)) {
            types << line.section(QLatin1Char(' '), 1, 1);
        }
        QCOMPARE(types, (QStringList{"PRELOGIN", "LOGIN7"}));
    }

    void theServerAndTheComponentAgreeWhoLoggedIn() {
        QVERIFY(!useNewCache(true).isEmpty());
        auto connection = brellow::ado::createObjectAs<brellow::ado::Connection>(
            window.components, "ADODB.Connection");
        connection->setConnectionString("Provider=SQLOLEDB.1;Data Source=127.0.0.1," +
                                        std::to_string(server->port()) +
                                        ";Integrated Security=SSPI;");
        connection->open();
        auto recordset = connection->execute("SELECT SUSER_SNAME() AS LoginName, SYSTEM_USER");
        const std::string onServer = recordset->fields().item("LoginName").value().toText();
        QCOMPARE(QString::fromStdString(onServer), realm.user());
        brellow::ado::Properties& properties = connection->properties();
        std::string userName;
        for (std::int32_t i = 0; i < properties.count(); ++i) {
            if (properties.item(i).name() == "User Name") {
                userName = properties.item(i).value().toText();
            }
        }
        QCOMPARE(userName, onServer);
        connection->close();
    }

    void failuresShowTheFixedMessageWithinTheLoginTimeout_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("no ticket") << "no ticket";
        QTest::newRow("expired ticket") << "expired";
        QTest::newRow("service not registered") << "unregistered";
        QTest::newRow("ticket for a key the server lacks") << "wrong key";
        QTest::newRow("KDC does not answer") << "silent KDC";
    }

    void failuresShowTheFixedMessageWithinTheLoginTimeout() {
        QFETCH(QString, kind);
        QString dataSource = QStringLiteral("127.0.0.1,%1").arg(server->port());
        QString principal = QStringLiteral("MSSQLSvc/127.0.0.1:%1").arg(server->port());
        const TestServerProcess* target = server.get();
        if (kind == "no ticket") {
            QVERIFY(!useNewCache(false).isEmpty());
        } else if (kind == "expired") {
            // Ticket times have whole seconds: past the end by a full second, nothing rounds
            // the ticket back to life.
            const qint64 endsBy = QDateTime::currentSecsSinceEpoch() + 3;
            QVERIFY(!useNewCache(true, QStringLiteral("2s")).isEmpty());
            QTRY_VERIFY_WITH_TIMEOUT(!KerberosRealm::defaultCredentialUsable() &&
                                         QDateTime::currentSecsSinceEpoch() > endsBy + 1,
                                     15000);
        } else if (kind == "unregistered") {
            QVERIFY(!useNewCache(true).isEmpty());
            dataSource = QStringLiteral("127.0.0.1,%1").arg(stranger->port());
            principal = QStringLiteral("MSSQLSvc/127.0.0.1:%1").arg(stranger->port());
            target = stranger.get();
        } else if (kind == "wrong key") {
            QVERIFY(!useNewCache(true).isEmpty());
            dataSource = QStringLiteral("localhost,%1").arg(stranger->port());
            principal = QStringLiteral("MSSQLSvc/localhost:%1").arg(stranger->port());
            target = stranger.get();
        } else {
            QVERIFY(!useNewCache(true).isEmpty());
        }
        const qsizetype issuedBefore = realm.ticketsIssuedFor(principal).size();
        const qsizetype refusedBefore = realm.ticketsRefusedFor(principal).size();
        const qsizetype loginsBefore = target->loginLines().size();

        const bool silence = kind == "silent KDC";
        if (silence) {
            QCOMPARE(::kill(static_cast<pid_t>(realm.kdcPid()), SIGSTOP), 0);
        }
        QElapsedTimer timer;
        timer.start();
        getVersionInfoIntegrated(dataSource);
        const qint64 elapsed = timer.elapsed();
        if (silence) {
            ::kill(static_cast<pid_t>(realm.kdcPid()), SIGCONT);
        }
        qInfo("%s: the fixed message after %lld ms", qPrintable(kind),
              static_cast<long long>(elapsed));

        window.verifyAccessDeniedBox();
        window.verifyLabelsEmpty();
        QVERIFY2(elapsed < kLoginTimeoutMs + kMarginMs, qPrintable(QString::number(elapsed)));
        const QStringList logins = target->loginLines().mid(loginsBefore);
        if (kind == "wrong key") {
            // The KDC handed out the ticket; the server could not read it and said so.
            QCOMPARE(realm.ticketsIssuedFor(principal).size(), issuedBefore + 1);
            QCOMPARE(logins.size(), 1);
            QVERIFY2(logins[0].contains(QStringLiteral("sspi=kerberos result=refused reason=")),
                     qPrintable(logins[0]));
            return;
        }
        // The rest fail before a login is sent: there is no ticket to present.
        QVERIFY2(logins.isEmpty(), qPrintable(logins.join('\n')));
        if (!silence) {
            // (A silenced KDC answers the abandoned request once it runs again.)
            QCOMPARE(realm.ticketsIssuedFor(principal).size(), issuedBefore);
        }
        if (kind == "unregistered") {
            QVERIFY(realm.ticketsRefusedFor(principal).size() > refusedBefore);
            QVERIFY(realm.ticketsRefusedFor(principal).last().contains(
                QStringLiteral("Server not found in Kerberos database")));
        }
        if (silence) {
            // Not before the login timeout: the KDC was waited for, then given up on.
            QVERIFY2(elapsed >= kLoginTimeoutMs - 1000, qPrintable(QString::number(elapsed)));
        }
    }
};

QTEST_MAIN(IntegratedSecurityIntegrationTest)
#include "tst_integratedsecurity_integration.moc"
