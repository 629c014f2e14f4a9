// The pieces of the ODBC binding that need no server: the SQL Server Browser's protocol, error
// mapping, the driver choice, the factory and the recordset.
#include "SqlBrowserClient.h"
#include "ado/ComponentFactory.h"
#include "ado/Connection.h"
#include "ado/DbError.h"
#include "ado/ErrorNumbers.h"
#include "ado/PropertyCollection.h"
#include "ado/Variant.h"
#include "odbc/LoginDeadline.h"
#include "odbc/OdbcComponentFactory.h"
#include "odbc/OdbcDriver.h"
#include "odbc/OdbcErrorMapper.h"
#include "odbc/OdbcRecordset.h"
#include "support/ErrorNumber.h"

#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <limits>

using namespace brellow::ado;
using brellow::testsupport::errorOf;

using namespace brellow::odbc;

Q_DECLARE_METATYPE(brellow::odbc::OdbcDriver::Dialect)

namespace {

OdbcDiagnostic diag(std::string state, std::int32_t native, std::string message) {
    return OdbcDiagnostic{std::move(state), native, std::move(message)};
}

std::string browserAnswer(const std::string& body) {
    std::string answer(1, '\x05');
    answer.push_back(static_cast<char>(body.size() & 0xFF));
    answer.push_back(static_cast<char>(body.size() >> 8));
    return answer + body;
}

} // namespace

class OdbcPartsTest : public QObject {
    Q_OBJECT

private slots:
    void browserAnswerGivesTheInstancesPort();
    void browserRequestNamesTheInstance();

    void theDriverGetsTheLoginTimeLeftInWholeSeconds_data();
    void theDriverGetsTheLoginTimeLeftInWholeSeconds();

    void connectFailuresAreAllEFail();
    void missingDriverIsAMissingProvider();
    void serverRejectionCarriesTheServersOwnText();
    void timeoutsAndDroppedConnectionsDuringACommand();
    void driverPrefixesAreStripped();

    void windowsDriverChoiceTakesTheBestInstalled_data();
    void windowsDriverChoiceTakesTheBestInstalled();

    void factoryCreatesObjectsByIdentifierIgnoringCase();
    void factoryRefusesUnknownIdentifiers();
    void closedObjectsRefuseWork();
    void recordsetFieldsByNameAndCurrentRow();
};

void OdbcPartsTest::connectFailuresAreAllEFail() {
    using Op = OdbcErrorMapper::Operation;
    const std::vector<std::vector<OdbcDiagnostic>> failures{
        {diag("08001", 0, "[FreeTDS][SQL Server]Unable to connect to data source"),
         diag("08S01", 20009, "[FreeTDS][SQL Server]Unable to connect: server unavailable")},
        {diag("28000", 18456, "[FreeTDS][SQL Server]Login failed for user 'sa'.")},
        {diag("HYT00", 0, "[FreeTDS][SQL Server]Timeout expired")},
        {},
    };
    for (const auto& diagnostics : failures) {
        QCOMPARE(OdbcErrorMapper::map(Op::Connect, diagnostics).number(), errors::kFail);
    }
    // The record with a number of its own says most.
    QCOMPARE(OdbcErrorMapper::map(Op::Connect, failures[0]).description(),
             "Unable to connect: server unavailable");
    QCOMPARE(OdbcErrorMapper::map(Op::Connect, failures[1]).description(),
             "Login failed for user 'sa'.");
    QVERIFY(!OdbcErrorMapper::map(Op::Connect, {}).description().empty());
}

void OdbcPartsTest::missingDriverIsAMissingProvider() {
    const DbError error = OdbcErrorMapper::map(
        OdbcErrorMapper::Operation::Connect,
        {diag("01000", 0, "[unixODBC][Driver Manager]Can't open lib 'x' : file not found"),
         diag("IM002", 0, "[unixODBC][Driver Manager]Data source name not found")});
    QCOMPARE(error.number(), errors::kProviderNotFound);
    QCOMPARE(error.description(), "Provider cannot be found. It may not be properly installed.");
}

void OdbcPartsTest::serverRejectionCarriesTheServersOwnText() {
    const DbError error = OdbcErrorMapper::map(
        OdbcErrorMapper::Operation::Execute,
        {diag("42000", 195,
              "[FreeTDS][SQL Server]'SERVERPROPERTY' is not a recognized function name."),
         diag("42000", 8180, "[FreeTDS][SQL Server]Statement(s) could not be prepared.")});
    QCOMPARE(error.number(), static_cast<std::int32_t>(0x80040E14));
    QCOMPARE(error.description(), "'SERVERPROPERTY' is not a recognized function name.");
    // A warning-class state with a server number is still the server's refusal.
    QCOMPARE(OdbcErrorMapper::map(OdbcErrorMapper::Operation::Execute,
                                  {diag("01000", 50001, "[SQL Server]custom")})
                 .number(),
             errors::kCommandRejected);
}

void OdbcPartsTest::timeoutsAndDroppedConnectionsDuringACommand() {
    using Op = OdbcErrorMapper::Operation;
    const DbError timeout =
        OdbcErrorMapper::map(Op::Execute, {diag("HYT00", 0, "[FreeTDS][SQL Server]Timeout")});
    QCOMPARE(timeout.number(), static_cast<std::int32_t>(0x80040E31));
    QCOMPARE(timeout.description(), "Query timeout expired");
    // A dropped connection reports a warning-class state; the failure is still a failure.
    const DbError dropped = OdbcErrorMapper::map(
        Op::Execute, {diag("01000", 20017, "[FreeTDS][SQL Server]Unexpected EOF from the server")});
    QCOMPARE(dropped.number(), errors::kFail);
    QCOMPARE(dropped.description(), "Unexpected EOF from the server");
    QCOMPARE(OdbcErrorMapper::map(Op::Execute, {diag("08S01", 20004, "[x]Read failed")}).number(),
             errors::kFail);
    const DbError unknown = OdbcErrorMapper::map(Op::Execute, {diag("HY000", 0, "[x]odd")});
    QCOMPARE(unknown.number(), errors::kFail);
    QCOMPARE(unknown.description(), "odd");
}

void OdbcPartsTest::driverPrefixesAreStripped() {
    QCOMPARE(OdbcErrorMapper::stripDriverPrefixes("[unixODBC][FreeTDS][SQL Server]Text [x] y\n"),
             "Text [x] y");
    QCOMPARE(OdbcErrorMapper::stripDriverPrefixes("No prefix"), "No prefix");
    QCOMPARE(OdbcErrorMapper::stripDriverPrefixes("[unclosed text"), "[unclosed text");
    QCOMPARE(OdbcErrorMapper::stripDriverPrefixes(""), "");
}

void OdbcPartsTest::windowsDriverChoiceTakesTheBestInstalled_data() {
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<OdbcDriver::Dialect>("dialect");
    using Dialect = OdbcDriver::Dialect;
    QTest::newRow("every driver") << QStringList{"SQL Server", "FreeTDS",
                                                 "SQL Server Native Client 11.0",
                                                 "ODBC Driver 17 for SQL Server",
                                                 "ODBC Driver 18 for SQL Server"}
                                  << "ODBC Driver 18 for SQL Server" << Dialect::MicrosoftOdbc18;
    QTest::newRow("17 before the Native Client")
        << QStringList{"SQL Server Native Client 11.0", "ODBC Driver 17 for SQL Server"}
        << "ODBC Driver 17 for SQL Server" << Dialect::MicrosoftOdbc17;
    QTest::newRow("the Native Client before the built-in one")
        << QStringList{"SQL Server", "SQL Server Native Client 11.0"}
        << "SQL Server Native Client 11.0" << Dialect::NativeClient11;
    QTest::newRow("only Windows' own")
        << QStringList{"Microsoft Access Driver (*.mdb)", "SQL Server"} << "SQL Server"
        << Dialect::WindowsSqlServer;
    QTest::newRow("only FreeTDS, as under Wine")
        << QStringList{"FreeTDS"} << "FreeTDS" << Dialect::FreeTds;
    QTest::newRow("the driver manager's spelling kept")
        << QStringList{"odbc driver 17 for sql server"} << "odbc driver 17 for sql server"
        << Dialect::MicrosoftOdbc17;
    QTest::newRow("none") << QStringList{"PostgreSQL Unicode"} << "" << Dialect::FreeTds;
    QTest::newRow("a later Microsoft driver speaks 18's keywords")
        << QStringList{} << "ODBC Driver 19 for SQL Server" << Dialect::MicrosoftOdbc18;
}

void OdbcPartsTest::windowsDriverChoiceTakesTheBestInstalled() {
    QFETCH(QStringList, installed);
    QFETCH(QString, chosen);
    QFETCH(OdbcDriver::Dialect, dialect);
    std::vector<std::string> names;
    for (const QString& name : installed) {
        names.push_back(name.toStdString());
    }
    const std::string found =
        installed.isEmpty() ? chosen.toStdString()
                            : OdbcDriver::firstInstalled(OdbcDriver::windowsPreference(), names);
    QCOMPARE(QString::fromStdString(found), chosen);
    QCOMPARE(OdbcDriver::named(found).dialect, dialect);
}

void OdbcPartsTest::factoryCreatesObjectsByIdentifierIgnoringCase() {
    OdbcComponentFactory factory;
    auto connection = createObjectAs<Connection>(factory, "adodb.connection");
    QCOMPARE(connection->state(), Connection::kStateClosed);
    connection->setConnectionString("Provider=SQLOLEDB.1;Data Source= x ;Password = p;");
    QCOMPARE(connection->connectionString(), "Provider=SQLOLEDB.1;Data Source= x ;Password = p;");
    auto recordset = createObjectAs<Recordset>(factory, "ADODB.Recordset");
    QCOMPARE(recordset->state(), 0);
}

void OdbcPartsTest::factoryRefusesUnknownIdentifiers() {
    OdbcComponentFactory factory;
    for (const char* progId : {"ADODB.Command", "", "ADODB.Connection.6"}) {
        try {
            factory.createObject(progId);
            QFAIL(progId);
        } catch (const DbError& error) {
            QCOMPARE(error.number(), errors::kCannotCreateObject);
            QVERIFY(error.description().find(progId) != std::string::npos);
        }
    }
    // A Recordset asked for as a Connection is refused too.
    QCOMPARE(errorOf([&] { createObjectAs<Connection>(factory, "ADODB.Recordset"); }),
             errors::kCannotCreateObject);
}

void OdbcPartsTest::closedObjectsRefuseWork() {
    OdbcComponentFactory factory;
    auto connection = createObjectAs<Connection>(factory, "ADODB.Connection");
    QCOMPARE(errorOf([&] { connection->execute("SELECT 1"); }), errors::kNotAllowedWhenClosed);
    QCOMPARE(errorOf([&] { connection->close(); }), errors::kNotAllowedWhenClosed);
    QCOMPARE(connection->properties().count(), 0);
    // Open checks the string before reaching for a driver or a server.
    connection->setConnectionString("Provider=MSDASQL;Data Source=h");
    QCOMPARE(errorOf([&] { connection->open(); }), errors::kProviderNotFound);
    connection->setConnectionString("Provider=SQLOLEDB;Data Source='h");
    QCOMPARE(errorOf([&] { connection->open(); }), errors::kBadConnectionString);
    QCOMPARE(connection->state(), Connection::kStateClosed);
    // The string as written survives a failed open.
    QCOMPARE(connection->connectionString(), "Provider=SQLOLEDB;Data Source='h");

    OdbcRecordset closed;
    QCOMPARE(errorOf([&] { closed.recordCount(); }), errors::kNotAllowedWhenClosed);
    QCOMPARE(errorOf([&] { closed.fields(); }), errors::kNotAllowedWhenClosed);
    QCOMPARE(errorOf([&] { closed.close(); }), errors::kNotAllowedWhenClosed);
}

void OdbcPartsTest::recordsetFieldsByNameAndCurrentRow() {
    OdbcRecordset withRow({RowField("Edition", Variant("Standard Edition"), true),
                           RowField("Level", Variant::null(), true)},
                          true);
    QCOMPARE(withRow.state(), 1);
    QCOMPARE(withRow.recordCount(), -1);
    QCOMPARE(withRow.fields().count(), 2);
    QCOMPARE(withRow.fields().item("EDITION").value().toText(), "Standard Edition");
    QCOMPARE(withRow.fields().item("edition").name(), "Edition");
    QVERIFY(withRow.fields().item("Level").value().isNull());
    QCOMPARE(errorOf([&] { withRow.fields().item("Edition "); }), errors::kItemNotFound);
    withRow.close();
    QCOMPARE(withRow.state(), 0);
    QCOMPARE(errorOf([&] { withRow.fields(); }), errors::kNotAllowedWhenClosed);

    OdbcRecordset empty({RowField("Edition", Variant(), false)}, false);
    QCOMPARE(empty.recordCount(), 0);
    QCOMPARE(errorOf([&] { empty.fields().item("Edition").value(); }), errors::kNoCurrentRow);
}

void OdbcPartsTest::theDriverGetsTheLoginTimeLeftInWholeSeconds_data() {
    QTest::addColumn<int>("timeout");
    QTest::addColumn<int>("usedMs");
    QTest::addColumn<int>("driverSeconds");
    QTest::newRow("no limit") << 0 << 500 << 0;
    QTest::newRow("nothing used yet") << 2 << 0 << 2;
    QTest::newRow("a few milliseconds used") << 2 << 5 << 2;
    QTest::newRow("more than half a second used") << 2 << 600 << 1;
    QTest::newRow("most of it used") << 2 << 1900 << 1;
    QTest::newRow("all of it used") << 2 << 3000 << 1;
    QTest::newRow("the default, a KDC's wait used") << 15 << 4200 << 11;
}

void OdbcPartsTest::theDriverGetsTheLoginTimeLeftInWholeSeconds() {
    QFETCH(int, timeout);
    QFETCH(int, usedMs);
    QFETCH(int, driverSeconds);
    const LoginDeadline deadline(timeout, std::chrono::steady_clock::now() -
                                              std::chrono::milliseconds(usedMs));
    QCOMPARE(deadline.driverSeconds(), driverSeconds);
}

void OdbcPartsTest::browserAnswerGivesTheInstancesPort() {
    const std::string answer =
        browserAnswer("ServerName;DB1;InstanceName;OTHER;IsClustered;No;Version;8.00.194;"
                      "tcp;1500;;ServerName;DB1;InstanceName;Sales;IsClustered;No;"
                      "Version;8.00.2039;tcp;2401;np;\\\\DB1\\pipe\\sql;;");
    QCOMPARE(SqlBrowserClient::parseResponse(answer, "SALES"), std::optional<std::uint16_t>(2401));
    QCOMPARE(SqlBrowserClient::parseResponse(answer, "other"), std::optional<std::uint16_t>(1500));
    QVERIFY(!SqlBrowserClient::parseResponse(answer, "missing"));
    QVERIFY(!SqlBrowserClient::parseResponse(
        browserAnswer("ServerName;DB1;InstanceName;NOTCP;np;x;;"), "NOTCP"));
    QVERIFY(!SqlBrowserClient::parseResponse(browserAnswer("InstanceName;Bad;tcp;70000;;"), "Bad"));
    QVERIFY(!SqlBrowserClient::parseResponse("\x04junk", "Sales"));
    QVERIFY(!SqlBrowserClient::parseResponse("", "Sales"));
    // A length beyond the datagram is cut to what arrived.
    std::string cut = browserAnswer("InstanceName;A;tcp;1600;;");
    cut[1] = '\x7F';
    QCOMPARE(SqlBrowserClient::parseResponse(cut, "A"), std::optional<std::uint16_t>(1600));
}

void OdbcPartsTest::browserRequestNamesTheInstance() {
    QCOMPARE(SqlBrowserClient::request("SALES"), std::string("\x04SALES\0", 7));
}

QTEST_GUILESS_MAIN(OdbcPartsTest)
#include "tst_odbcparts.moc"
