// The OLE DB connection-string syntax, what SQLOLEDB makes of it, the one rule that quotes a
// value, and the Data Source forms.
#include "ado/DbError.h"
#include "ado/ErrorNumbers.h"
#include "connstring/ConnectionSettings.h"
#include "connstring/ConnectionStringParser.h"
#include "connstring/DataSourceAddress.h"
#include "support/ErrorNumber.h"
#include "text/CaseInsensitive.h"

#include <QtTest>

using namespace brellow::ado;
using brellow::testsupport::errorOf;
using namespace brellow::connstring;
namespace text = brellow::text;

namespace {

using Pairs = std::vector<ConnectionStringPair>;

std::string valueOf(const Pairs& pairs, std::string_view keyword) {
    for (const auto& pair : pairs) {
        if (text::equalsIgnoringCase(pair.keyword, keyword)) {
            return pair.value;
        }
    }
    return "<absent>";
}

} // namespace

class ConnectionStringTest : public QObject {
    Q_OBJECT

private slots:
    void parsesTheProgramsTwoForms();
    void trimsKeywordsAndUnquotedValuesButKeepsInnerBlanks();
    void quotedValuesKeepSeparatorsBlanksAndDoubledQuotes_data();
    void quotedValuesKeepSeparatorsBlanksAndDoubledQuotes();
    void doubledEqualsSignInAKeywordIsALiteral();
    void repeatedKeywordLastWinsButProviderFirstWins();
    void malformedStringsAreRejected_data();
    void malformedStringsAreRejected();
    void quoteValueAndEscapeKeywordRoundTrip_data();
    void quoteValueAndEscapeKeywordRoundTrip();
    void aValueIsQuotedOnlyWhereItWouldBreakTheString_data();
    void aValueIsQuotedOnlyWhereItWouldBreakTheString();

    void providerMustBeSqlOleDb_data();
    void providerMustBeSqlOleDb();
    void synonymsResolveAndLastWrittenWins();
    void integratedSecurityDropsUserAndPassword();
    void timeoutsDefaultToAdosAndCanBeOverridden();
    void unusableValuesAreRejected();
    void passwordIsDroppedFromTheStringReadBack();

    void dataSourceForms_data();
    void dataSourceForms();
    void invalidDataSourcesFailLikeAnUnreachableServer_data();
    void invalidDataSourcesFailLikeAnUnreachableServer();
};

void ConnectionStringTest::parsesTheProgramsTwoForms() {
    const Pairs login = ConnectionStringParser::parse(
        "Provider=SQLOLEDB.1;Data Source=db01;User Id = alice;Password = s3cret;");
    QCOMPARE(login, (Pairs{{"Provider", "SQLOLEDB.1"},
                           {"Data Source", "db01"},
                           {"User Id", "alice"},
                           {"Password", "s3cret"}}));
    const Pairs integrated = ConnectionStringParser::parse(
        "Provider=SQLOLEDB.1;Data Source=10.0.0.7;Integrated Security=SSPI;");
    QCOMPARE(integrated, (Pairs{{"Provider", "SQLOLEDB.1"},
                                {"Data Source", "10.0.0.7"},
                                {"Integrated Security", "SSPI"}}));
}

void ConnectionStringTest::trimsKeywordsAndUnquotedValuesButKeepsInnerBlanks() {
    const Pairs pairs =
        ConnectionStringParser::parse("  ;;  data  source  =   my server  ;\tUser ID\t= bob ;;");
    QCOMPARE(pairs, (Pairs{{"data  source", "my server"}, {"User ID", "bob"}}));
    // An unquoted value may hold quotes and "=" after its first character.
    QCOMPARE(valueOf(ConnectionStringParser::parse("Password=a'b\"c=d"), "password"), "a'b\"c=d");
    QCOMPARE(valueOf(ConnectionStringParser::parse("Password="), "password"), "");
}

void ConnectionStringTest::quotedValuesKeepSeparatorsBlanksAndDoubledQuotes_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("single quotes") << "Password='a;b'"
                                   << "a;b";
    QTest::newRow("double quotes") << "Password=\"a;b\""
                                   << "a;b";
    QTest::newRow("blanks kept inside") << "Password=' x '"
                                        << " x ";
    QTest::newRow("blanks around quotes") << "Password =  'x'  ;Provider=SQLOLEDB"
                                          << "x";
    QTest::newRow("doubled single") << "Password='it''s'"
                                    << "it's";
    QTest::newRow("doubled double") << "Password=\"say \"\"hi\"\"\""
                                    << "say \"hi\"";
    QTest::newRow("other quote plain") << "Password=\"it's\""
                                       << "it's";
    QTest::newRow("empty quoted") << "Password=''"
                                  << "";
    QTest::newRow("equals inside") << "Password='a=b'"
                                   << "a=b";
}

void ConnectionStringTest::quotedValuesKeepSeparatorsBlanksAndDoubledQuotes() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(QString::fromStdString(
                 valueOf(ConnectionStringParser::parse(text.toStdString()), "Password")),
             expected);
}

void ConnectionStringTest::doubledEqualsSignInAKeywordIsALiteral() {
    const Pairs pairs = ConnectionStringParser::parse("a==b=c;x = = y");
    QCOMPARE(pairs, (Pairs{{"a=b", "c"}, {"x", "= y"}}));
}

void ConnectionStringTest::repeatedKeywordLastWinsButProviderFirstWins() {
    const Pairs pairs = ConnectionStringParser::parse(
        "Provider=SQLOLEDB;Data Source=first;PROVIDER=MSDASQL;data source=second;");
    QCOMPARE(pairs, (Pairs{{"Provider", "SQLOLEDB"}, {"Data Source", "second"}}));
}

void ConnectionStringTest::malformedStringsAreRejected_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("no equals") << "Provider=SQLOLEDB;Data Source";
    QTest::newRow("keyword then separator") << "Data Source;x=y";
    QTest::newRow("empty keyword") << "=value";
    QTest::newRow("blank keyword") << "  =value";
    QTest::newRow("unterminated quote") << "Password='abc";
    QTest::newRow("text after closing quote") << "Password='abc'def";
    QTest::newRow("lone doubled quote stays open") << "Password='''";
}

void ConnectionStringTest::malformedStringsAreRejected() {
    QFETCH(QString, text);
    QCOMPARE(errorOf([&] { ConnectionStringParser::parse(text.toStdString()); }),
             errors::kBadConnectionString);
}

void ConnectionStringTest::quoteValueAndEscapeKeywordRoundTrip_data() {
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QString>("value");
    QTest::newRow("plain") << "User ID"
                           << "alice";
    QTest::newRow("separator") << "Password"
                               << "a;b";
    QTest::newRow("edge blanks") << "Password"
                                 << "  padded ";
    QTest::newRow("both quotes") << "Password"
                                 << "'\"mixed\"'";
    QTest::newRow("leading equals") << "k="
                                    << "=v";
    QTest::newRow("keyword with equals") << "a=b==c"
                                         << "x";
    QTest::newRow("empty") << "Password"
                           << "";
}

void ConnectionStringTest::quoteValueAndEscapeKeywordRoundTrip() {
    QFETCH(QString, keyword);
    QFETCH(QString, value);
    const std::string text = ConnectionStringParser::escapeKeyword(keyword.toStdString()) + "=" +
                             ConnectionStringParser::quoteValue(value.toStdString()) + ";";
    QCOMPARE(ConnectionStringParser::parse(text),
             (Pairs{{keyword.toStdString(), value.toStdString()}}));
}

void ConnectionStringTest::aValueIsQuotedOnlyWhereItWouldBreakTheString_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("written");
    const auto row = [](const char* tag, const char* value, const char* written) {
        QTest::newRow(tag) << QString::fromUtf8(value) << QString::fromUtf8(written);
    };
    // As typed: what the string means is the same either way.
    row("plain", "alice", "alice");
    row("empty", "", "");
    row("inner blanks", "my server", "my server");
    row("single quote inside", "O'Brien", "O'Brien");
    row("double quote inside", R"(say "hi")", R"(say "hi")");
    row("both quotes inside", R"(it's "x")", R"(it's "x")");
    row("a closing brace", "a}b", "a}b");
    row("braces all round", "{x}", "{x}");
    row("equals inside", "a=b", "a=b");
    row("non-ASCII", "m\xc3\xbcller", "m\xc3\xbcller");
    // Quoted: bare, these would be cut, trimmed or taken for quoting.
    row("semicolon", "a;b", R"("a;b")");
    row("semicolon and double quote", R"(a;"b)", R"('a;"b')");
    row("semicolon and both quotes", R"(a;'"b)", R"('a;''"b')");
    row("a single quote at the start", "'x", R"("'x")");
    row("a double quote at the start", R"("x)", R"('"x')");
    row("both quotes at the start", R"('"x)", R"('''"x')");
    row("leading blank", " x", R"(" x")");
    row("trailing blank", "x ", R"("x ")");
    row("only blanks", "  ", R"("  ")");
    row("a tab at the end", "x\t", "\"x\t\"");
    row("an equals sign at the start", "=x", R"("=x")");
}

void ConnectionStringTest::aValueIsQuotedOnlyWhereItWouldBreakTheString() {
    QFETCH(QString, value);
    QFETCH(QString, written);
    const std::string typed = value.toStdString();
    const std::string quoted = ConnectionStringParser::quoteValue(typed);
    QCOMPARE(QString::fromStdString(quoted), written);
    // Read back as it was typed, after the keyword as both of the program's pieces write it.
    for (const std::string separator : {"=", " = "}) {
        const std::string text = "Provider=SQLOLEDB.1;Password" + separator + quoted + ";";
        QCOMPARE(valueOf(ConnectionStringParser::parse(text), "Password"), typed);
    }
}

void ConnectionStringTest::providerMustBeSqlOleDb_data() {
    QTest::addColumn<QString>("provider");
    QTest::addColumn<int>("expected");
    QTest::newRow("SQLOLEDB.1") << "SQLOLEDB.1" << 0;
    QTest::newRow("sqloledb") << "sqloledb" << 0;
    QTest::newRow("mixed case") << "SqlOleDb.1" << 0;
    QTest::newRow("other provider") << "MSDASQL" << errors::kProviderNotFound;
    QTest::newRow("newer version") << "SQLOLEDB.2" << errors::kProviderNotFound;
    QTest::newRow("empty") << "" << errors::kProviderNotFound;
}

void ConnectionStringTest::providerMustBeSqlOleDb() {
    QFETCH(QString, provider);
    QFETCH(int, expected);
    const std::string text = "Provider=" + provider.toStdString() + ";Data Source=h;";
    QCOMPARE(errorOf([&] { ConnectionSettings::fromConnectionString(text); }), expected);
    QCOMPARE(errorOf([] { ConnectionSettings::fromConnectionString("Data Source=h"); }),
             errors::kProviderNotFound);
}

void ConnectionStringTest::synonymsResolveAndLastWrittenWins() {
    const auto settings = ConnectionSettings::fromConnectionString(
        "Provider=SQLOLEDB;Server=one;UID=u1;PWD=p1;Database=cat1;App=tool;WSID=ws;"
        "Address=two;User ID=u2;Language=Deutsch");
    QCOMPARE(settings.dataSource(), "two");
    QCOMPARE(settings.address().host(), "two");
    QCOMPARE(settings.userId(), "u2");
    QCOMPARE(settings.password(), "p1");
    QCOMPARE(settings.initialCatalog(), "cat1");
    QCOMPARE(settings.applicationName(), "tool");
    QCOMPARE(settings.workstationId(), "ws");
    QCOMPARE(settings.language(), "Deutsch");
    QVERIFY(!settings.integratedSecurity());
    QVERIFY(!settings.encryptionRequired());
    QVERIFY(ConnectionSettings::fromConnectionString("Provider=SQLOLEDB;Encrypt=yes")
                .encryptionRequired());
}

void ConnectionStringTest::integratedSecurityDropsUserAndPassword() {
    for (const char* flag :
         {"Integrated Security=SSPI", "integrated security=true", "Trusted_Connection=Yes"}) {
        const auto settings = ConnectionSettings::fromConnectionString(
            std::string("Provider=SQLOLEDB;Data Source=h;User Id=u;Password=p;") + flag);
        QVERIFY2(settings.integratedSecurity(), flag);
        QCOMPARE(settings.userId(), "");
        QCOMPARE(settings.password(), "");
    }
    QVERIFY(!ConnectionSettings::fromConnectionString("Provider=SQLOLEDB;Trusted_Connection=no")
                 .integratedSecurity());
}

void ConnectionStringTest::timeoutsDefaultToAdosAndCanBeOverridden() {
    const auto defaults = ConnectionSettings::fromConnectionString("Provider=SQLOLEDB");
    QCOMPARE(defaults.connectTimeoutSeconds(), 15);
    QCOMPARE(defaults.commandTimeoutSeconds(), 30);
    const auto chosen = ConnectionSettings::fromConnectionString(
        "Provider=SQLOLEDB;Connect Timeout=3;Command Timeout=7");
    QCOMPARE(chosen.connectTimeoutSeconds(), 3);
    QCOMPARE(chosen.commandTimeoutSeconds(), 7);
    QCOMPARE(ConnectionSettings::fromConnectionString("Provider=SQLOLEDB;Connect Timeout=0")
                 .connectTimeoutSeconds(),
             0);
}

void ConnectionStringTest::unusableValuesAreRejected() {
    for (const char* text :
         {"Provider=SQLOLEDB;Connect Timeout=soon", "Provider=SQLOLEDB;Connect Timeout=-1",
          "Provider=SQLOLEDB;Connect Timeout=99999999999",
          "Provider=SQLOLEDB;Command Timeout=", "Provider=SQLOLEDB;Integrated Security=maybe"}) {
        QCOMPARE(errorOf([&] { ConnectionSettings::fromConnectionString(text); }),
                 errors::kBadConnectionString);
    }
}

void ConnectionStringTest::passwordIsDroppedFromTheStringReadBack() {
    const auto settings = ConnectionSettings::fromConnectionString(
        "Provider=SQLOLEDB.1;Data Source=srv;User Id = carol;Password = 'p;w';PWD=x1;"
        "Persist Security Info=True;Initial Catalog=a b ");
    const std::string readBack = settings.connectionStringWithoutPassword();
    QCOMPARE(readBack, "Provider=SQLOLEDB.1;Data Source=srv;User Id=carol;Initial Catalog=a b;"
                       "Persist Security Info=False");
    QVERIFY(readBack.find("p;w") == std::string::npos);
    QVERIFY(readBack.find("x1") == std::string::npos);
    // Read back, it still parses to the same settings, less the password.
    const auto again = ConnectionSettings::fromConnectionString(readBack);
    QCOMPARE(again.userId(), "carol");
    QCOMPARE(again.password(), "");
}

void ConnectionStringTest::dataSourceForms_data() {
    QTest::addColumn<QString>("dataSource");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("instance");
    QTest::addColumn<bool>("local");
    QTest::newRow("host") << "dbhost"
                          << "dbhost" << 1433 << "" << false;
    QTest::newRow("host,port") << "dbhost,14330"
                               << "dbhost" << 14330 << "" << false;
    QTest::newRow("blanks around port") << " dbhost , 2433 "
                                        << "dbhost" << 2433 << "" << false;
    QTest::newRow("host\\instance") << "dbhost\\SALES"
                                    << "dbhost" << 0 << "SALES" << false;
    QTest::newRow("instance and port") << "dbhost\\SALES,1500"
                                       << "dbhost" << 1500 << "SALES" << false;
    QTest::newRow("default instance name") << "dbhost\\mssqlserver"
                                           << "dbhost" << 1433 << "" << false;
    QTest::newRow("tcp:host") << "tcp:dbhost"
                              << "dbhost" << 1433 << "" << false;
    QTest::newRow("TCP:host,port") << "TCP:dbhost,1999"
                                   << "dbhost" << 1999 << "" << false;
    QTest::newRow("(local)") << "(local)"
                             << "127.0.0.1" << 1433 << "" << true;
    QTest::newRow("(LOCAL)\\instance") << "(LOCAL)\\X"
                                       << "127.0.0.1" << 0 << "X" << true;
    QTest::newRow("dot") << "."
                         << "127.0.0.1" << 1433 << "" << true;
    QTest::newRow("dot,port") << ".,5000"
                              << "127.0.0.1" << 5000 << "" << true;
    QTest::newRow("empty") << ""
                           << "127.0.0.1" << 1433 << "" << true;
    QTest::newRow("localhost") << "localhost"
                               << "localhost" << 1433 << "" << true;
    QTest::newRow("IPv4") << "192.168.1.20"
                          << "192.168.1.20" << 1433 << "" << false;
    QTest::newRow("IPv4,port") << "192.168.1.20,1435"
                               << "192.168.1.20" << 1435 << "" << false;
    QTest::newRow("IPv6") << "fe80::1"
                          << "fe80::1" << 1433 << "" << false;
    QTest::newRow("IPv6 loopback") << "::1"
                                   << "::1" << 1433 << "" << true;
    QTest::newRow("[IPv6],port") << "[2001:db8::5],1440"
                                 << "2001:db8::5" << 1440 << "" << false;
    QTest::newRow("tcp:[IPv6]") << "tcp:[::1]"
                                << "::1" << 1433 << "" << true;
    QTest::newRow("[IPv6]\\instance") << "[2001:db8::5]\\I2"
                                      << "2001:db8::5" << 0 << "I2" << false;
}

void ConnectionStringTest::dataSourceForms() {
    QFETCH(QString, dataSource);
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(QString, instance);
    QFETCH(bool, local);
    const DataSourceAddress address = DataSourceAddress::parse(dataSource.toStdString());
    QCOMPARE(QString::fromStdString(address.host()), host);
    QCOMPARE(int(address.port()), port);
    QCOMPARE(QString::fromStdString(address.instance()), instance);
    QCOMPARE(address.isLocal(), local);
}

void ConnectionStringTest::invalidDataSourcesFailLikeAnUnreachableServer_data() {
    QTest::addColumn<QString>("dataSource");
    QTest::newRow("port not a number") << "host,abc";
    QTest::newRow("port zero") << "host,0";
    QTest::newRow("port too big") << "host,65536";
    QTest::newRow("empty port") << "host,";
    QTest::newRow("two ports") << "host,1,2";
    QTest::newRow("unclosed bracket") << "[::1,1433";
    QTest::newRow("empty brackets") << "[]";
    QTest::newRow("junk after bracket") << "[::1]x";
}

void ConnectionStringTest::invalidDataSourcesFailLikeAnUnreachableServer() {
    QFETCH(QString, dataSource);
    QCOMPARE(errorOf([&] { DataSourceAddress::parse(dataSource.toStdString()); }), errors::kFail);
}

QTEST_GUILESS_MAIN(ConnectionStringTest)
#include "tst_connectionstring.moc"
