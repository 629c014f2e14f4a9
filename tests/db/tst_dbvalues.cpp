// Values, collections, error mapping and the other pieces of the component that need no
// server.
#include "db/ComponentFactory.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "db/ErrorNumbers.h"
#include "db/OdbcComponentFactory.h"
#include "db/OdbcDriver.h"
#include "db/OdbcErrorMapper.h"
#include "db/OdbcRecordset.h"
#include "db/PropertyCollection.h"
#include "db/SqlBrowserClient.h"
#include "db/Utf16Text.h"
#include "db/Variant.h"
#ifndef _WIN32
#include "db/linux/OdbcDriverLocator.h"
#endif

#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <limits>

using namespace brellow::db;

Q_DECLARE_METATYPE(brellow::db::OdbcDriver::Dialect)

namespace {

std::int32_t errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const DbError& error) {
        return error.number();
    }
    return 0;
}

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

class DbValuesTest : public QObject {
    Q_OBJECT

private slots:
    void variantTextConversions();
    void nullIsAnErrorOnlyForStrictText();
    void variantsCompareByTypeAndValue();

    void utf16RoundTripsEveryPlane();
    void utf16ReplacesIllFormedInput();

    void connectFailuresAreAllEFail();
    void missingDriverIsAMissingProvider();
    void serverRejectionCarriesTheServersOwnText();
    void timeoutsAndDroppedConnectionsDuringACommand();
    void driverPrefixesAreStripped();

    void browserAnswerGivesTheInstancesPort();
    void browserRequestNamesTheInstance();

#ifndef _WIN32
    void driverLocatorTakesTheFirstExistingFile();
#endif
    void windowsDriverChoiceTakesTheBestInstalled_data();
    void windowsDriverChoiceTakesTheBestInstalled();

    void factoryCreatesObjectsByIdentifierIgnoringCase();
    void factoryRefusesUnknownIdentifiers();
    void closedObjectsRefuseWork();
    void recordsetFieldsByNameAndCurrentRow();
    void propertyCollectionIsZeroBased();
};

void DbValuesTest::variantTextConversions() {
    const std::vector<std::pair<Variant, std::string>> cases{
        {Variant(true), "True"},
        {Variant(false), "False"},
        {Variant(std::int64_t{-9007199254740993}), "-9007199254740993"},
        {Variant(std::int32_t{2147483647}), "2147483647"},
        {Variant(0.5), "0.5"},
        {Variant(-1234.25), "-1234.25"},
        {Variant(100.0), "100"},
        {Variant(1.0 / 3.0), "0.333333333333333"},
        {Variant(1e20), "1E+20"},
        {Variant(std::string("8.00.2039")), "8.00.2039"},
        {Variant("  spaced\t"), "  spaced\t"},
        {Variant(), ""},
    };
    for (const auto& [value, expected] : cases) {
        QCOMPARE(value.ToText(), expected);
        QCOMPARE(value.ToTextOrEmpty(), expected);
    }
}

void DbValuesTest::nullIsAnErrorOnlyForStrictText() {
    const Variant null = Variant::Null();
    QVERIFY(null.isNull());
    QVERIFY(!null.isEmpty());
    QCOMPARE(null.ToTextOrEmpty(), "");
    try {
        (void)null.ToText();
        QFAIL("a null converted to text");
    } catch (const DbError& error) {
        QCOMPARE(error.number(), static_cast<std::int32_t>(0x800A005E));
        QCOMPARE(error.description(), "Invalid use of Null");
    }
    QCOMPARE(Variant(std::numeric_limits<double>::quiet_NaN()).ToText(), "NaN");
}

void DbValuesTest::variantsCompareByTypeAndValue() {
    QVERIFY(Variant(std::int64_t{1}) == Variant(std::int32_t{1}));
    QVERIFY(!(Variant(std::int64_t{1}) == Variant(true)));
    QVERIFY(!(Variant(std::int64_t{1}) == Variant(1.0)));
    QVERIFY(!(Variant() == Variant::Null()));
    QVERIFY(!(Variant("1") == Variant(std::int64_t{1})));
    QCOMPARE(Variant("x").type(), Variant::Type::Text);
    QCOMPARE(Variant(2.5).type(), Variant::Type::Double);
}

void DbValuesTest::utf16RoundTripsEveryPlane() {
    const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z"; // a é € 😀 z
    const std::u16string wide = Utf16Text::FromUtf8(text);
    QCOMPARE(wide, (std::u16string{u'a', u'\u00E9', u'\u20AC', 0xD83D, 0xDE00, u'z'}));
    QCOMPARE(Utf16Text::ToUtf8(wide), text);
}

void DbValuesTest::utf16ReplacesIllFormedInput() {
    QCOMPARE(Utf16Text::FromUtf8("a\xFF"
                                 "b"),
             (std::u16string{u'a', 0xFFFD, u'b'}));
    QCOMPARE(Utf16Text::FromUtf8("\xC0\xAF"), (std::u16string{0xFFFD, 0xFFFD})); // overlong
    QCOMPARE(Utf16Text::FromUtf8("\xE2\x82"), (std::u16string{0xFFFD, 0xFFFD})); // cut short
    QCOMPARE(Utf16Text::FromUtf8("\xED\xA0\x80").front(), u'\uFFFD');            // surrogate
    QCOMPARE(Utf16Text::ToUtf8(std::u16string{0xD800, u'x'}), "\xEF\xBF\xBDx");
    QCOMPARE(Utf16Text::ToUtf8(std::u16string{0xDC00}), "\xEF\xBF\xBD");
}

void DbValuesTest::connectFailuresAreAllEFail() {
    using Op = OdbcErrorMapper::Operation;
    const std::vector<std::vector<OdbcDiagnostic>> failures{
        {diag("08001", 0, "[FreeTDS][SQL Server]Unable to connect to data source"),
         diag("08S01", 20009, "[FreeTDS][SQL Server]Unable to connect: server unavailable")},
        {diag("28000", 18456, "[FreeTDS][SQL Server]Login failed for user 'sa'.")},
        {diag("HYT00", 0, "[FreeTDS][SQL Server]Timeout expired")},
        {},
    };
    for (const auto& diagnostics : failures) {
        QCOMPARE(OdbcErrorMapper::Map(Op::Connect, diagnostics).number(), errors::kFail);
    }
    // The record with a number of its own says most.
    QCOMPARE(OdbcErrorMapper::Map(Op::Connect, failures[0]).description(),
             "Unable to connect: server unavailable");
    QCOMPARE(OdbcErrorMapper::Map(Op::Connect, failures[1]).description(),
             "Login failed for user 'sa'.");
    QVERIFY(!OdbcErrorMapper::Map(Op::Connect, {}).description().empty());
}

void DbValuesTest::missingDriverIsAMissingProvider() {
    const DbError error = OdbcErrorMapper::Map(
        OdbcErrorMapper::Operation::Connect,
        {diag("01000", 0, "[unixODBC][Driver Manager]Can't open lib 'x' : file not found"),
         diag("IM002", 0, "[unixODBC][Driver Manager]Data source name not found")});
    QCOMPARE(error.number(), errors::kProviderNotFound);
    QCOMPARE(error.description(), "Provider cannot be found. It may not be properly installed.");
}

void DbValuesTest::serverRejectionCarriesTheServersOwnText() {
    const DbError error = OdbcErrorMapper::Map(
        OdbcErrorMapper::Operation::Execute,
        {diag("42000", 195,
              "[FreeTDS][SQL Server]'SERVERPROPERTY' is not a recognized function name."),
         diag("42000", 8180, "[FreeTDS][SQL Server]Statement(s) could not be prepared.")});
    QCOMPARE(error.number(), static_cast<std::int32_t>(0x80040E14));
    QCOMPARE(error.description(), "'SERVERPROPERTY' is not a recognized function name.");
    // A warning-class state with a server number is still the server's refusal.
    QCOMPARE(OdbcErrorMapper::Map(OdbcErrorMapper::Operation::Execute,
                                  {diag("01000", 50001, "[SQL Server]custom")})
                 .number(),
             errors::kCommandRejected);
}

void DbValuesTest::timeoutsAndDroppedConnectionsDuringACommand() {
    using Op = OdbcErrorMapper::Operation;
    const DbError timeout =
        OdbcErrorMapper::Map(Op::Execute, {diag("HYT00", 0, "[FreeTDS][SQL Server]Timeout")});
    QCOMPARE(timeout.number(), static_cast<std::int32_t>(0x80040E31));
    QCOMPARE(timeout.description(), "Query timeout expired");
    // A dropped connection reports a warning-class state; the failure is still a failure.
    const DbError dropped = OdbcErrorMapper::Map(
        Op::Execute, {diag("01000", 20017, "[FreeTDS][SQL Server]Unexpected EOF from the server")});
    QCOMPARE(dropped.number(), errors::kFail);
    QCOMPARE(dropped.description(), "Unexpected EOF from the server");
    QCOMPARE(OdbcErrorMapper::Map(Op::Execute, {diag("08S01", 20004, "[x]Read failed")}).number(),
             errors::kFail);
    const DbError unknown = OdbcErrorMapper::Map(Op::Execute, {diag("HY000", 0, "[x]odd")});
    QCOMPARE(unknown.number(), errors::kFail);
    QCOMPARE(unknown.description(), "odd");
}

void DbValuesTest::driverPrefixesAreStripped() {
    QCOMPARE(OdbcErrorMapper::StripDriverPrefixes("[unixODBC][FreeTDS][SQL Server]Text [x] y\n"),
             "Text [x] y");
    QCOMPARE(OdbcErrorMapper::StripDriverPrefixes("No prefix"), "No prefix");
    QCOMPARE(OdbcErrorMapper::StripDriverPrefixes("[unclosed text"), "[unclosed text");
    QCOMPARE(OdbcErrorMapper::StripDriverPrefixes(""), "");
}

void DbValuesTest::browserAnswerGivesTheInstancesPort() {
    const std::string answer =
        browserAnswer("ServerName;DB1;InstanceName;OTHER;IsClustered;No;Version;8.00.194;"
                      "tcp;1500;;ServerName;DB1;InstanceName;Sales;IsClustered;No;"
                      "Version;8.00.2039;tcp;2401;np;\\\\DB1\\pipe\\sql;;");
    QCOMPARE(SqlBrowserClient::ParseResponse(answer, "SALES"), std::optional<std::uint16_t>(2401));
    QCOMPARE(SqlBrowserClient::ParseResponse(answer, "other"), std::optional<std::uint16_t>(1500));
    QVERIFY(!SqlBrowserClient::ParseResponse(answer, "missing"));
    QVERIFY(!SqlBrowserClient::ParseResponse(
        browserAnswer("ServerName;DB1;InstanceName;NOTCP;np;x;;"), "NOTCP"));
    QVERIFY(!SqlBrowserClient::ParseResponse(browserAnswer("InstanceName;Bad;tcp;70000;;"), "Bad"));
    QVERIFY(!SqlBrowserClient::ParseResponse("\x04junk", "Sales"));
    QVERIFY(!SqlBrowserClient::ParseResponse("", "Sales"));
    // A length beyond the datagram is cut to what arrived.
    std::string cut = browserAnswer("InstanceName;A;tcp;1600;;");
    cut[1] = '\x7F';
    QCOMPARE(SqlBrowserClient::ParseResponse(cut, "A"), std::optional<std::uint16_t>(1600));
}

void DbValuesTest::browserRequestNamesTheInstance() {
    QCOMPARE(SqlBrowserClient::Request("SALES"), std::string("\x04SALES\0", 7));
}

#ifndef _WIN32
void DbValuesTest::driverLocatorTakesTheFirstExistingFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string first = dir.filePath("first.so").toStdString();
    const std::string second = dir.filePath("second.so").toStdString();
    QFile(QString::fromStdString(second)).open(QIODevice::WriteOnly);
    QCOMPARE(OdbcDriverLocator::Locate({first, dir.path().toStdString(), second}), second);
    QCOMPARE(OdbcDriverLocator::Locate({first}), "");
    const auto defaults = OdbcDriverLocator::DefaultCandidates();
    QVERIFY(!defaults.empty());
    for (const auto& candidate : defaults) {
        QVERIFY(candidate.size() > 13 &&
                candidate.compare(candidate.size() - 13, 13, "libtdsodbc.so") == 0);
    }
}
#endif

void DbValuesTest::windowsDriverChoiceTakesTheBestInstalled_data() {
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

void DbValuesTest::windowsDriverChoiceTakesTheBestInstalled() {
    QFETCH(QStringList, installed);
    QFETCH(QString, chosen);
    QFETCH(OdbcDriver::Dialect, dialect);
    std::vector<std::string> names;
    for (const QString& name : installed) {
        names.push_back(name.toStdString());
    }
    const std::string found =
        installed.isEmpty() ? chosen.toStdString()
                            : OdbcDriver::FirstInstalled(OdbcDriver::WindowsPreference(), names);
    QCOMPARE(QString::fromStdString(found), chosen);
    QCOMPARE(OdbcDriver::Named(found).dialect, dialect);
}

void DbValuesTest::factoryCreatesObjectsByIdentifierIgnoringCase() {
    OdbcComponentFactory factory;
    auto connection = CreateObjectAs<Connection>(factory, "adodb.connection");
    QCOMPARE(connection->State(), Connection::kStateClosed);
    connection->SetConnectionString("Provider=SQLOLEDB.1;Data Source= x ;Password = p;");
    QCOMPARE(connection->ConnectionString(), "Provider=SQLOLEDB.1;Data Source= x ;Password = p;");
    auto recordset = CreateObjectAs<Recordset>(factory, "ADODB.Recordset");
    QCOMPARE(recordset->State(), 0);
}

void DbValuesTest::factoryRefusesUnknownIdentifiers() {
    OdbcComponentFactory factory;
    for (const char* progId : {"ADODB.Command", "", "ADODB.Connection.6"}) {
        try {
            factory.CreateObject(progId);
            QFAIL(progId);
        } catch (const DbError& error) {
            QCOMPARE(error.number(), errors::kCannotCreateObject);
            QVERIFY(error.description().find(progId) != std::string::npos);
        }
    }
    // A Recordset asked for as a Connection is refused too.
    QCOMPARE(errorOf([&] { CreateObjectAs<Connection>(factory, "ADODB.Recordset"); }),
             errors::kCannotCreateObject);
}

void DbValuesTest::closedObjectsRefuseWork() {
    OdbcComponentFactory factory;
    auto connection = CreateObjectAs<Connection>(factory, "ADODB.Connection");
    QCOMPARE(errorOf([&] { connection->Execute("SELECT 1"); }), errors::kNotAllowedWhenClosed);
    QCOMPARE(errorOf([&] { connection->Close(); }), errors::kNotAllowedWhenClosed);
    QCOMPARE(connection->Properties().Count(), 0);
    // Open checks the string before reaching for a driver or a server.
    connection->SetConnectionString("Provider=MSDASQL;Data Source=h");
    QCOMPARE(errorOf([&] { connection->Open(); }), errors::kProviderNotFound);
    connection->SetConnectionString("Provider=SQLOLEDB;Data Source='h");
    QCOMPARE(errorOf([&] { connection->Open(); }), errors::kBadConnectionString);
    QCOMPARE(connection->State(), Connection::kStateClosed);
    // The string as written survives a failed open.
    QCOMPARE(connection->ConnectionString(), "Provider=SQLOLEDB;Data Source='h");

    OdbcRecordset closed;
    QCOMPARE(errorOf([&] { closed.RecordCount(); }), errors::kNotAllowedWhenClosed);
    QCOMPARE(errorOf([&] { closed.Fields(); }), errors::kNotAllowedWhenClosed);
    QCOMPARE(errorOf([&] { closed.Close(); }), errors::kNotAllowedWhenClosed);
}

void DbValuesTest::recordsetFieldsByNameAndCurrentRow() {
    OdbcRecordset withRow({RowField("Edition", Variant("Standard Edition"), true),
                           RowField("Level", Variant::Null(), true)},
                          true);
    QCOMPARE(withRow.State(), 1);
    QCOMPARE(withRow.RecordCount(), -1);
    QCOMPARE(withRow.Fields().Count(), 2);
    QCOMPARE(withRow.Fields().Item("EDITION").Value().ToText(), "Standard Edition");
    QCOMPARE(withRow.Fields().Item("edition").Name(), "Edition");
    QVERIFY(withRow.Fields().Item("Level").Value().isNull());
    QCOMPARE(errorOf([&] { withRow.Fields().Item("Edition "); }), errors::kItemNotFound);
    withRow.Close();
    QCOMPARE(withRow.State(), 0);
    QCOMPARE(errorOf([&] { withRow.Fields(); }), errors::kNotAllowedWhenClosed);

    OdbcRecordset empty({RowField("Edition", Variant(), false)}, false);
    QCOMPARE(empty.RecordCount(), 0);
    QCOMPARE(errorOf([&] { empty.Fields().Item("Edition").Value(); }), errors::kNoCurrentRow);
}

void DbValuesTest::propertyCollectionIsZeroBased() {
    PropertyCollection properties;
    QCOMPARE(properties.Count(), 0);
    QCOMPARE(errorOf([&] { properties.Item(0); }), errors::kItemNotFound);
    properties.Add("DBMS Name", Variant("Microsoft SQL Server"));
    properties.Add("Packet Size", Variant(std::int64_t{4096}));
    QCOMPARE(properties.Count(), 2);
    QCOMPARE(properties.Item(0).Name(), "DBMS Name");
    QCOMPARE(properties.Item(1).Value(), Variant(std::int64_t{4096}));
    QCOMPARE(errorOf([&] { properties.Item(2); }), errors::kItemNotFound);
    QCOMPARE(errorOf([&] { properties.Item(-1); }), errors::kItemNotFound);
}

QTEST_GUILESS_MAIN(DbValuesTest)
#include "tst_dbvalues.moc"
