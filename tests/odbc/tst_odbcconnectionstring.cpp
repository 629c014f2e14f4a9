// The connection string handed on to the ODBC driver, in each driver's own keywords.
#include "ado/DbError.h"
#include "ado/ErrorNumbers.h"
#include "connstring/ConnectionSettings.h"
#include "odbc/OdbcConnectionStringBuilder.h"

#include <QtTest>

using namespace brellow::ado;
using namespace brellow::connstring;
using namespace brellow::odbc;

Q_DECLARE_METATYPE(brellow::odbc::LoginTarget)
Q_DECLARE_METATYPE(brellow::odbc::OdbcDriver::Dialect)

class OdbcConnectionStringTest : public QObject {
    Q_OBJECT

private slots:

    void odbcStringSpeaksEachDriversDialect_data();
    void odbcStringSpeaksEachDriversDialect();
    void odbcStringHoldsEachDriverToTheCertificateLetThrough_data();
    void odbcStringHoldsEachDriverToTheCertificateLetThrough();
    void odbcStringQuotesValuesAsEachDriverReadsThem_data();
    void odbcStringQuotesValuesAsEachDriverReadsThem();
    void odbcStringRefusesAValueTheDriverWouldCut();
};

void OdbcConnectionStringTest::odbcStringSpeaksEachDriversDialect_data() {
    QTest::addColumn<QString>("driver");
    QTest::addColumn<QString>("connectionString");
    QTest::addColumn<LoginTarget>("target");
    QTest::addColumn<QString>("expected");
    const QString login = "Provider=SQLOLEDB;Data Source=db7,1500;User ID=dave;"
                          "Password=\"p}w;9\";Initial Catalog=pubs";
    const QString integrated =
        "Provider=SQLOLEDB;Data Source=db7;Integrated Security=SSPI;Encrypt=true";
    const LoginTarget port1500{"db7", 1500, {}, {}, {}, {}};
    const LoginTarget instance{"db7", 0, "SALES", {}, {}, {}};

    // Linux: the library by its path, TDS 7.1 pinned, the service ticket named.
    QTest::newRow("FreeTDS, login")
        << "/x/libtdsodbc.so" << login << port1500
        << "DRIVER={/x/libtdsodbc.so};SERVER={db7};PORT=1500;TDS_Version=7.1;"
           "Encryption=request;ClientCharset=UTF-8;UID={dave};PWD={p}w;9};DATABASE={pubs};";
    // The component's own configuration holds the server, its port and the encryption.
    QTest::newRow("FreeTDS, login through the private configuration")
        << "/x/libtdsodbc.so" << login << LoginTarget{"db7", 1500, {}, {}, "brellow", {}}
        << "DRIVER={/x/libtdsodbc.so};SERVERNAME={brellow};ClientCharset=UTF-8;UID={dave};"
           "PWD={p}w;9};DATABASE={pubs};";
    QTest::newRow("FreeTDS, integrated, encryption required")
        << "FreeTDS" << integrated << LoginTarget{"db7", 1433, {}, "MSSQLSvc/db7.corp:1433", {}, {}}
        << "DRIVER={FreeTDS};SERVER={db7};PORT=1433;TDS_Version=7.1;Encryption=require;"
           "ClientCharset=UTF-8;Trusted_Connection=Yes;ServerSPN={MSSQLSvc/db7.corp:1433};";
    // A SQL login never names a Kerberos service.
    QTest::newRow("FreeTDS, login with a service name")
        << "/x/libtdsodbc.so" << login << LoginTarget{"db7", 1500, {}, "MSSQLSvc/x:1", {}, {}}
        << "DRIVER={/x/libtdsodbc.so};SERVER={db7};PORT=1500;TDS_Version=7.1;"
           "Encryption=request;ClientCharset=UTF-8;UID={dave};PWD={p}w;9};DATABASE={pubs};";
    QTest::newRow("FreeTDS on Windows, named instance")
        << "FreeTDS"
        << "Provider=SQLOLEDB;Data Source=db7\\SALES;Integrated Security=SSPI" << instance
        << "DRIVER={FreeTDS};SERVER={db7\\SALES};TDS_Version=7.1;Encryption=request;"
           "ClientCharset=UTF-8;Trusted_Connection=Yes;";

    // Windows: Driver 18 must be told not to require encryption nor validate the certificate.
    QTest::newRow("Driver 18, login")
        << "ODBC Driver 18 for SQL Server" << login << port1500
        << "DRIVER={ODBC Driver 18 for SQL Server};SERVER={tcp:db7,1500};Encrypt=Optional;"
           "TrustServerCertificate=Yes;UID={dave};PWD={p}}w;9};DATABASE={pubs};";
    QTest::newRow("Driver 18, integrated, encryption required")
        << "ODBC Driver 18 for SQL Server" << integrated << LoginTarget{"db7", 1433, {}, {}, {}, {}}
        << "DRIVER={ODBC Driver 18 for SQL Server};SERVER={tcp:db7,1433};Encrypt=Mandatory;"
           "TrustServerCertificate=Yes;Trusted_Connection=Yes;";
    QTest::newRow("Driver 17, named instance")
        << "ODBC Driver 17 for SQL Server"
        << "Provider=SQLOLEDB;Data Source=db7\\SALES;User ID=sa;Password=;Encrypt=yes" << instance
        << "DRIVER={ODBC Driver 17 for SQL Server};SERVER={db7\\SALES};Encrypt=Yes;"
           "TrustServerCertificate=Yes;UID={sa};PWD={};";
    QTest::newRow("Driver 17, IPv6 address")
        << "ODBC Driver 17 for SQL Server"
        << "Provider=SQLOLEDB;Data Source=[::1],1433;Integrated Security=SSPI"
        << LoginTarget{"::1", 1433, {}, {}, {}, {}}
        << "DRIVER={ODBC Driver 17 for SQL Server};SERVER={tcp:[::1],1433};Encrypt=No;"
           "TrustServerCertificate=Yes;Trusted_Connection=Yes;";
    QTest::newRow("Native Client 11.0, login")
        << "SQL Server Native Client 11.0"
        << "Provider=SQLOLEDB;Data Source=db7,1500;User ID=dave;Password=pw9" << port1500
        << "DRIVER={SQL Server Native Client 11.0};SERVER={tcp:db7,1500};Encrypt=No;"
           "TrustServerCertificate=Yes;UID={dave};PWD={pw9};";
    QTest::newRow("Windows' built-in driver, login")
        << "SQL Server"
        << "Provider=SQLOLEDB;Data Source=db7,1500;User ID=dave;Password=pw9" << port1500
        << "DRIVER={SQL Server};SERVER={db7,1500};Network=DBMSSOCN;Encrypt=No;UID={dave};"
           "PWD={pw9};";
}

// Where the trust gate let a login through, each driver is held to what it let through as far
// as its keywords allow; where they do not, it only encrypts (the gate compared just before).
void OdbcConnectionStringTest::odbcStringHoldsEachDriverToTheCertificateLetThrough_data() {
    QTest::addColumn<QString>("driver");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("strict");
    QTest::addColumn<QString>("encryption");
    using Mode = LoginTarget::CertificateDemand::Mode;
    const auto row = [](const char* name, const char* driver, Mode mode, bool strict,
                        const char* encryption) {
        QTest::newRow(name) << driver << static_cast<int>(mode) << strict << encryption;
    };
    const char* d18 = "ODBC Driver 18 for SQL Server";
    row("Driver 18, validated", d18, Mode::Validate, false,
        "Encrypt=Mandatory;TrustServerCertificate=No;");
    row("Driver 18, TDS 8.0, validated", d18, Mode::Validate, true, "Encrypt=Strict;");
    row("Driver 18, TDS 8.0, pinned", d18, Mode::MatchFile, true,
        "Encrypt=Strict;ServerCertificate={C:\\Temp\\brl1.tmp};");
    row("Driver 18, pinned, compared by the gate", d18, Mode::EncryptOnly, false,
        "Encrypt=Mandatory;TrustServerCertificate=Yes;");
    row("Driver 17, validated", "ODBC Driver 17 for SQL Server", Mode::Validate, false,
        "Encrypt=Yes;TrustServerCertificate=No;");
    row("Native Client, compared by the gate", "SQL Server Native Client 11.0", Mode::EncryptOnly,
        false, "Encrypt=Yes;TrustServerCertificate=Yes;");
    row("built-in driver, validated", "SQL Server", Mode::Validate, false, "Encrypt=Yes;");
    // It encrypts the login unchecked only when it does not encrypt everything.
    row("built-in driver, compared by the gate", "SQL Server", Mode::EncryptOnly, false,
        "Encrypt=No;");
    row("FreeTDS on Windows, TDS 8.0", "FreeTDS", Mode::EncryptOnly, true, "Encryption=strict;");
    row("FreeTDS on Windows, validated", "FreeTDS", Mode::Validate, false, "Encryption=require;");
}

void OdbcConnectionStringTest::odbcStringHoldsEachDriverToTheCertificateLetThrough() {
    QFETCH(QString, driver);
    QFETCH(int, mode);
    QFETCH(bool, strict);
    QFETCH(QString, encryption);
    const auto settings = ConnectionSettings::fromConnectionString(
        "Provider=SQLOLEDB;Data Source=db7,1500;User ID=dave;Password=pw9");
    LoginTarget target{"db7", 1500, {}, {}, {}, {}};
    target.certificate = {static_cast<LoginTarget::CertificateDemand::Mode>(mode), strict,
                          "C:\\Temp\\brl1.tmp"};
    const QString built = QString::fromStdString(OdbcConnectionStringBuilder::build(
        settings, OdbcDriver::named(driver.toStdString()), target));
    QVERIFY2(built.contains(encryption), qPrintable(built));
    // One say on encryption only: no keyword of the unchecked way is left beside it.
    QCOMPARE(built.count(QStringLiteral("Encrypt")), encryption.count(QStringLiteral("Encrypt")));
}

void OdbcConnectionStringTest::odbcStringSpeaksEachDriversDialect() {
    QFETCH(QString, driver);
    QFETCH(QString, connectionString);
    QFETCH(LoginTarget, target);
    QFETCH(QString, expected);
    const auto settings = ConnectionSettings::fromConnectionString(connectionString.toStdString());
    QCOMPARE(QString::fromStdString(OdbcConnectionStringBuilder::build(
                 settings, OdbcDriver::named(driver.toStdString()), target)),
             expected);
}

void OdbcConnectionStringTest::odbcStringQuotesValuesAsEachDriverReadsThem_data() {
    QTest::addColumn<OdbcDriver::Dialect>("dialect");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected"); // empty: refused
    using Dialect = OdbcDriver::Dialect;
    QTest::newRow("FreeTDS, separators") << Dialect::FreeTds << "a;b=c{d}e}"
                                         << "PWD={a;b=c{d}e}};";
    QTest::newRow("FreeTDS, brace at the end") << Dialect::FreeTds << "ends}"
                                               << "PWD={ends}};";
    QTest::newRow("FreeTDS, empty") << Dialect::FreeTds << ""
                                    << "PWD={};";
    QTest::newRow("FreeTDS, brace and semicolon") << Dialect::FreeTds << "x};DATABASE=evil"
                                                  << "";
    QTest::newRow("Driver 18, brace doubled") << Dialect::MicrosoftOdbc18 << "x};DATABASE=evil"
                                              << "PWD={x}};DATABASE=evil};";
    QTest::newRow("Driver 17, braces doubled") << Dialect::MicrosoftOdbc17 << "}{}"
                                               << "PWD={}}{}}};";
    QTest::newRow("Native Client, brace") << Dialect::NativeClient11 << "a}b"
                                          << "";
    QTest::newRow("Native Client, separators") << Dialect::NativeClient11 << "a;b={"
                                               << "PWD={a;b={};";
    QTest::newRow("built-in driver, brace") << Dialect::WindowsSqlServer << "a}"
                                            << "";
}

void OdbcConnectionStringTest::odbcStringQuotesValuesAsEachDriverReadsThem() {
    QFETCH(OdbcDriver::Dialect, dialect);
    QFETCH(QString, value);
    QFETCH(QString, expected);
    try {
        const std::string pair =
            OdbcConnectionStringBuilder::braced("PWD", value.toStdString(), "password", dialect);
        QCOMPARE(QString::fromStdString(pair), expected);
    } catch (const DbError& error) {
        QVERIFY2(expected.isEmpty(), error.description().c_str());
        QCOMPARE(error.number(), errors::kBadConnectionString);
        QVERIFY(error.description().find("password") != std::string::npos);
    }
}

void OdbcConnectionStringTest::odbcStringRefusesAValueTheDriverWouldCut() {
    try {
        OdbcConnectionStringBuilder::braced("PWD", "x};DATABASE=evil", "password");
        QFAIL("a value with \"};\" was accepted");
    } catch (const DbError& error) {
        QCOMPARE(error.number(), errors::kBadConnectionString);
        QVERIFY(error.description().find("password") != std::string::npos);
        QVERIFY(error.description().find("evil") == std::string::npos);
    }
}

QTEST_GUILESS_MAIN(OdbcConnectionStringTest)
#include "tst_odbcconnectionstring.moc"
