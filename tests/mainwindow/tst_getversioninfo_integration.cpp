#include "support/MainWindowWithComponent.h"
#include "support/TestServerProcess.h"

#include <QtTest>

using brellow::testsupport::TestServerProcess;

// Get Version Info pressed in the main window, through the real database component, against
// the project's TDS test server.
class GetVersionInfoIntegrationTest : public QObject {
    Q_OBJECT

private:
    brellow::testsupport::MainWindowWithComponent window;
    brellow::testsupport::FakeMessageBoxService& boxes = window.boxes;
    brellow::testsupport::FakeMousePointer& pointer = window.pointer;

    static TestServerProcess::Options options(const QString& password, const QString& fault = {}) {
        TestServerProcess::Options o;
        o.user = QStringLiteral("brellow");
        o.password = password;
        o.edition = QStringLiteral("Enterprise Edition");
        o.version = QStringLiteral("8.00.760");
        o.level = QStringLiteral("SP3");
        o.fault = fault;
        o.lifetimeSeconds = 60;
        return o;
    }

    template <class T> T* control(const char* name) { return window.control<T>(name); }

    void getVersionInfo(const QString& server, const QString& user, const QString& password) {
        window.getVersionInfo(server, user, password);
    }

    static QString address(const TestServerProcess& server) {
        return QStringLiteral("127.0.0.1,%1").arg(server.port());
    }

    void verifyLabelsEmpty() { window.verifyLabelsEmpty(); }
    void verifyAccessDeniedBox() { window.verifyAccessDeniedBox(); }

private slots:
    void init() { window.open(); }

    void cleanup() { window.close(); }

    void showsTheServersConfiguredValues() {
        TestServerProcess server(options(QStringLiteral("s3cret")));
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        getVersionInfo(address(server), QStringLiteral("brellow"), QStringLiteral("s3cret"));

        QVERIFY2(boxes.shown.isEmpty(), qPrintable(boxes.shown.value(0).text));
        QCOMPARE(control<QLabel>("lblEdition")->text(), QStringLiteral("Enterprise Edition"));
        QCOMPARE(control<QLabel>("lblVersion")->text(), QStringLiteral("8.00.760"));
        QCOMPARE(control<QLabel>("lblSPLevel")->text(), QStringLiteral("SP3"));
        QCOMPARE(pointer.history, (QList<int>{11, 1}));

        // Handshake, login and the one query, sent byte for byte.
        QTRY_COMPARE(server.wireLogLines().size(), 3);
        const QStringList lines = server.wireLogLines();
        QVERIFY2(lines[0].contains(QStringLiteral(" PRELOGIN ")), qPrintable(lines[0]));
        QVERIFY2(lines[1].contains(QStringLiteral(" LOGIN7 ")), qPrintable(lines[1]));
        QVERIFY2(lines[2].contains(QStringLiteral(" SQLBATCH ")), qPrintable(lines[2]));
        QVERIFY2(lines[2].endsWith(QStringLiteral(
                     " text=SELECT SERVERPROPERTY('productversion') as ProductVersion, "
                     "SERVERPROPERTY('productlevel') as ProductLevel, "
                     "SERVERPROPERTY ('edition') as Edition")),
                 qPrintable(lines[2]));
    }

    void aWrongPasswordShowsTheFixedMessage() {
        TestServerProcess server(options(QStringLiteral("right")));
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        getVersionInfo(address(server), QStringLiteral("brellow"), QStringLiteral("wrong"));
        verifyAccessDeniedBox();
        verifyLabelsEmpty();
        QCOMPARE(pointer.current(), 1);
    }

    void aRefusedPortShowsTheFixedMessage() {
        // A port that was just listening and is now closed.
        TestServerProcess stopped(options(QStringLiteral("x")));
        QVERIFY2(stopped.start(), qPrintable(stopped.errorString()));
        const quint16 port = stopped.port();
        stopped.stop();
        getVersionInfo(QStringLiteral("127.0.0.1,%1").arg(port), QStringLiteral("sa"),
                       QStringLiteral("x"));
        verifyAccessDeniedBox();
        verifyLabelsEmpty();
    }

    void aServerWithoutServerPropertyShowsItsOwnText() {
        TestServerProcess server(options(QStringLiteral("pw"), QStringLiteral("sql7")));
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        getVersionInfo(address(server), QStringLiteral("brellow"), QStringLiteral("pw"));
        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY2(boxes.shown[0].text.contains(
                     QStringLiteral("'SERVERPROPERTY' is not a recognized function name.")),
                 qPrintable(boxes.shown[0].text));
        QCOMPARE(boxes.shown[0].style, 0);
        // No title of its own: the box carries the application's.
        QVERIFY(!boxes.shown[0].title.has_value());
        verifyLabelsEmpty();
    }

    void passwordsWithSeparatorsAndBlanksLogIn_data() {
        QTest::addColumn<QString>("password");
        QTest::newRow("semicolon") << QStringLiteral("a;b");
        QTest::newRow("leading blank") << QStringLiteral(" secret");
        QTest::newRow("quotes and equals") << QStringLiteral("it's=\"x\";");
    }

    void passwordsWithSeparatorsAndBlanksLogIn() {
        QFETCH(QString, password);
        TestServerProcess server(options(password));
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        getVersionInfo(address(server), QStringLiteral("brellow"), password);
        QVERIFY2(boxes.shown.isEmpty(), qPrintable(boxes.shown.value(0).text));
        QCOMPARE(control<QLabel>("lblEdition")->text(), QStringLiteral("Enterprise Edition"));
    }
};

QTEST_MAIN(GetVersionInfoIntegrationTest)
#include "tst_getversioninfo_integration.moc"
