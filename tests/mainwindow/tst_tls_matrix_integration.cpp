// Get Version Info against every SQL Server version the test server answers as, in every
// encryption mode such a server can be in: the three labels, or the one message; and the
// raw record of what crossed the wire holds the password in no form whenever the server
// offered encryption.
#include "support/Login7Password.h"
#include "support/MainWindowWithComponent.h"
#include "support/TestServerProcess.h"

#include <QRandomGenerator>
#include <QtTest>

using brellow::testsupport::TestServerProcess;

namespace {

QByteArray utf16le(const QString& text) {
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

struct Version {
    const char* profile;
    const char* productVersion;
    const char* level;
    const char* edition;
    const char* tls;   // the TLS version the login travels in, when the server encrypts
    QStringList modes; // the encryption modes a real server of this version can be in
};

} // namespace

class TlsMatrixIntegrationTest : public QObject {
    Q_OBJECT

private:
    brellow::testsupport::MainWindowWithComponent window;

private slots:
    void init() { window.open(); }
    void cleanup() { window.close(); }

    void everyVersionInEveryEncryptionMode_data();
    void everyVersionInEveryEncryptionMode();
};

void TlsMatrixIntegrationTest::everyVersionInEveryEncryptionMode_data() {
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("version"); // empty: the fixed message instead of the labels
    QTest::addColumn<QString>("level");
    QTest::addColumn<QString>("edition");
    QTest::addColumn<QString>("tls");
    const QStringList withOrWithoutCertificate{"unsupported", "off", "on", "required"};
    // From 2005 on a server always has a certificate, its own self-signed one at least.
    const QStringList alwaysCertificate{"off", "on", "required"};
    const std::vector<Version> versions{
        // SQL Server 7.0 predates PRELOGIN and ends the connection of a TDS 7.1 client.
        {"sql7", "", "", "", "", {"unsupported"}},
        {"2000-rtm", "8.00.194", "RTM", "Standard Edition", "TLS1.0", withOrWithoutCertificate},
        {"2000", "8.00.2039", "SP4", "Developer Edition", "TLS1.0", withOrWithoutCertificate},
        {"2005", "9.00.5000.00", "SP4", "Developer Edition", "TLS1.0", alwaysCertificate},
        {"2008", "10.0.6000.29", "SP4", "Developer Edition (64-bit)", "TLS1.0", alwaysCertificate},
        {"2008r2", "10.50.6000.34", "SP3", "Developer Edition (64-bit)", "TLS1.0",
         alwaysCertificate},
        {"2012", "11.0.7001.0", "SP4", "Developer Edition (64-bit)", "TLS1.2", alwaysCertificate},
        {"2014", "12.0.6024.0", "SP3", "Developer Edition (64-bit)", "TLS1.2", alwaysCertificate},
        {"2016", "13.0.6300.2", "SP3", "Developer Edition (64-bit)", "TLS1.2", alwaysCertificate},
        {"2017", "14.0.1000.169", "RTM", "Developer Edition (64-bit)", "TLS1.2", alwaysCertificate},
        {"2019", "15.0.2000.5", "RTM", "Developer Edition (64-bit)", "TLS1.2", alwaysCertificate},
        {"2022", "16.0.1000.6", "RTM", "Developer Edition (64-bit)", "TLS1.2", alwaysCertificate},
        {"2025", "17.0.1000.7", "RTM", "Enterprise Edition: Core-based Licensing (64-bit)",
         "TLS1.2", alwaysCertificate},
        // Azure SQL always encrypts.
        {"azure", "12.0.2000.8", "RTM", "SQL Azure", "TLS1.2", {"required"}},
    };
    for (const Version& v : versions) {
        for (const QString& mode : v.modes) {
            QTest::addRow("%s %s", v.profile, qPrintable(mode))
                << v.profile << mode << v.productVersion << v.level << v.edition << v.tls;
        }
    }
}

void TlsMatrixIntegrationTest::everyVersionInEveryEncryptionMode() {
    QFETCH(QString, profile);
    QFETCH(QString, mode);
    QFETCH(QString, version);
    QFETCH(QString, level);
    QFETCH(QString, edition);
    QFETCH(QString, tls);
    // Typed by keyboard, so ASCII only.
    const QString password =
        QStringLiteral("Pw-%1-x!").arg(QRandomGenerator::global()->bounded(100000, 999999));
    TestServerProcess::Options options;
    options.user = QStringLiteral("brellow");
    options.password = password;
    options.lifetimeSeconds = 60;
    options.extraArgs = {"--profile", profile, "--encryption", mode};
    TestServerProcess server(options);
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    window.getVersionInfo(QStringLiteral("127.0.0.1,%1").arg(server.port()),
                          QStringLiteral("brellow"), password);

    if (version.isEmpty()) {
        window.verifyAccessDeniedBox();
        window.verifyLabelsEmpty();
    } else {
        QVERIFY2(window.boxes.shown.isEmpty(), qPrintable(window.boxes.shown.value(0).text));
        QCOMPARE(window.label("lblEdition"), edition);
        QCOMPARE(window.label("lblVersion"), version);
        QCOMPARE(window.label("lblSPLevel"), level);
        // The edition tells Azure SQL from the SQL Server 2014 build with its number.
        const bool azure = edition == QLatin1String("SQL Azure");
        QCOMPARE(
            window.control<QLabel>("lblVersion")->toolTip().contains(QLatin1String("Azure SQL")),
            azure);
    }

    const bool offered = mode != QLatin1String("unsupported");
    const QStringList lines = server.wireLogLines();
    for (const QString& line : lines) {
        const bool inside =
            line.endsWith(QLatin1String(" tls=1")) || line.contains(QLatin1String(" tls=1 "));
        if (line.contains(QLatin1String(" LOGIN7 "))) {
            QVERIFY2(inside == offered, qPrintable(line));
            // SQL Server 2000 to 2008 R2 offer TLS 1.0 alone, and the driver still takes it.
            QVERIFY2(!offered || line.contains(QStringLiteral(" protocol=%1 ").arg(tls)),
                     qPrintable(line));
        } else if (line.contains(QLatin1String(" SQLBATCH "))) {
            // Only a server that forces encryption protects more than the login.
            QVERIFY2(inside == (mode == QLatin1String("on") || mode == QLatin1String("required")),
                     qPrintable(line));
        }
    }
    QByteArray received;
    for (const QByteArray& connection : server.receivedBytes()) {
        received += connection;
    }
    QVERIFY(!received.isEmpty());
    const QByteArray utf16 = utf16le(password);
    // In clear, the password crosses only scrambled, as LOGIN7 carries it: finding that form
    // there shows the search would see a password that crossed.
    const bool inClear = !offered && !version.isEmpty();
    QCOMPARE(received.contains(brellow::testsupport::login7Password(password)), inClear);
    QVERIFY(!received.contains(utf16));
    QVERIFY(!received.contains(password.toUtf8()));
}

QTEST_MAIN(TlsMatrixIntegrationTest)
#include "tst_tls_matrix_integration.moc"
