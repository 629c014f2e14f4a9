// NTLM logins, end to end: a DOMAIN\user typed into the login boxes, through the main window
// and the real database component, against the TDS test server, which checks the NTLMv2 answer
// against an account of its own, in the clear and inside TLS.
#include "support/MainWindowWithComponent.h"
#include "support/TestServerProcess.h"

#include <QLabel>
#include <QtTest>

using brellow::testsupport::TestServerProcess;

namespace {

const QString kEdition = QStringLiteral("Enterprise Edition");
const QString kVersion = QStringLiteral("8.00.2039");
const QString kLevel = QStringLiteral("SP4");
const QString kNtlmAccount = QStringLiteral("BRELLOW\\bob");
const QString kNtlmPassword = QStringLiteral("N7lm pass;word");

} // namespace

class NtlmIntegrationTest : public QObject {
    Q_OBJECT

private:
    brellow::testsupport::MainWindowWithComponent window;
    std::unique_ptr<TestServerProcess> server;
    // A SQL Server 2019 with its self-signed certificate: the login goes inside TLS.
    std::unique_ptr<TestServerProcess> encrypting;

    static std::unique_ptr<TestServerProcess> startServer(const QStringList& extra) {
        TestServerProcess::Options o;
        o.user = QStringLiteral("sa");
        o.password = QStringLiteral("not-used");
        o.edition = kEdition;
        o.version = kVersion;
        o.level = kLevel;
        o.lifetimeSeconds = 600;
        o.extraArgs = QStringList{QStringLiteral("--ntlm-account"), kNtlmAccount,
                                  QStringLiteral("--ntlm-password"), kNtlmPassword} +
                      extra;
        auto started = std::make_unique<TestServerProcess>(o);
        if (!started->start()) {
            qWarning("the test server did not start: %s", qPrintable(started->errorString()));
            return nullptr;
        }
        return started;
    }

private slots:
    void initTestCase() {
        server = startServer({});
        QVERIFY(server);
        encrypting = startServer({QStringLiteral("--profile"), QStringLiteral("2019")});
        QVERIFY(encrypting);
    }

    void cleanupTestCase() {
        window.close();
        encrypting.reset();
        server.reset();
    }

    void init() { window.open(); }

    void cleanup() { window.close(); }

    void ntlmLoginsAreCheckedAgainstTheAccount_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("logged");
        QTest::addColumn<bool>("encrypted");
        QTest::newRow("right password") << kNtlmAccount << kNtlmPassword << true
                                        << "result=accepted login=BRELLOW\\\\bob" << false;
        QTest::newRow("other case") << QStringLiteral("brellow\\BOB") << kNtlmPassword << true
                                    << "result=accepted login=BRELLOW\\\\bob" << false;
        QTest::newRow("wrong password") << kNtlmAccount << QStringLiteral("N7lm pass;wore") << false
                                        << "result=refused reason=wrong\\x20password" << false;
        QTest::newRow("other domain") << QStringLiteral("ELSEWHERE\\bob") << kNtlmPassword << false
                                      << "result=refused reason=unknown\\x20account" << false;
        QTest::newRow("login inside TLS") << kNtlmAccount << kNtlmPassword << true
                                          << "result=accepted login=BRELLOW\\\\bob" << true;
    }

    void ntlmLoginsAreCheckedAgainstTheAccount() {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(bool, accepted);
        QFETCH(QString, logged);
        QFETCH(bool, encrypted);
        const TestServerProcess& target = encrypted ? *encrypting : *server;
        const qsizetype loginsBefore = target.loginLines().size();
        window.getVersionInfo(QStringLiteral("127.0.0.1,%1").arg(target.port()), user, password);
        if (accepted) {
            window.verifyAnswers(kEdition, kVersion, kLevel);
        } else {
            window.verifyAccessDeniedBox();
            window.verifyLabelsEmpty();
        }
        const QStringList logins = target.loginLines().mid(loginsBefore);
        QCOMPARE(logins.size(), 2);
        QVERIFY2(logins[0].contains(QStringLiteral("sspi=ntlm result=challenge")),
                 qPrintable(logins[0]));
        QCOMPARE(logins[0].contains(QLatin1String(" tls=1")), encrypted);
        QVERIFY2(logins[1].contains("ntlm=authenticate " + logged), qPrintable(logins[1]));
    }
};

QTEST_MAIN(NtlmIntegrationTest)
#include "tst_ntlm_integration.moc"
