// The test server's protocol pieces, checked against the separate TdsTestClient codec.
#include "BatchResponder.h"
#include "Login7Request.h"
#include "NtlmAuthenticateMessage.h"
#include "NtlmChallenge.h"
#include "NtlmVerifier.h"
#include "PreloginExchange.h"
#include "TdsTestClient.h"
#include "WireLog.h"

#include <QtTest>
#include <algorithm>
#include <random>

using brellow::testsupport::TdsTestClient;
using namespace brellow::tdsserver;

namespace {

const char* const versionQuery =
    "SELECT SERVERPROPERTY('productversion') as ProductVersion, SERVERPROPERTY('productlevel') "
    "as ProductLevel, SERVERPROPERTY ('edition') as Edition";

ServerOptions sampleOptions(FaultMode fault = FaultMode::None) {
    ServerOptions options;
    options.edition = "Édition Entreprise 64";
    options.version = "8.00.0194";
    options.level = "RTM x";
    options.fault = fault;
    return options;
}

std::string optionalText(const std::optional<std::string>& v) {
    return v ? *v : "<NULL>";
}

using Bytes = std::vector<std::uint8_t>;

Bytes utf16le(const std::string& ascii) {
    Bytes out;
    for (const char c : ascii) {
        out.push_back(static_cast<std::uint8_t>(c));
        out.push_back(0);
    }
    return out;
}

// The NTLMv2 example of MS-NLMP (section 4.2.4): user "User", domain "Domain", password
// "Password", server "Server", the server's and the client's nonces, time stamp 0.
const Bytes exampleServerChallenge{0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef};
const Bytes exampleProof{0x68, 0xcd, 0x0a, 0xb8, 0x51, 0xe5, 0x1c, 0x96,
                         0xaa, 0xbc, 0x92, 0x7b, 0xeb, 0xef, 0x6a, 0x1c};

Bytes exampleBlob() {
    Bytes blob{0x01, 0x01, 0, 0, 0, 0, 0, 0};
    blob.insert(blob.end(), 8, 0x00); // time stamp
    blob.insert(blob.end(), 8, 0xaa); // client nonce
    blob.insert(blob.end(), 4, 0x00);
    const Bytes info = NtlmChallenge::targetInfo("Domain", "Server");
    blob.insert(blob.end(), info.begin(), info.end());
    blob.insert(blob.end(), 4, 0x00);
    return blob;
}

// An AUTHENTICATE message around an NT response, as a client writes it.
Bytes authenticateMessage(const std::string& domain, const std::string& user, const Bytes& nt) {
    const Bytes d = utf16le(domain);
    const Bytes u = utf16le(user);
    const Bytes w = utf16le("COMPUTER");
    const Bytes lm(24, 0);
    Bytes m{'N', 'T', 'L', 'M', 'S', 'S', 'P', 0, 3, 0, 0, 0};
    std::size_t at = 64;
    const auto fields = [&m, &at](const Bytes& value) {
        const auto size = static_cast<std::uint16_t>(value.size());
        for (int twice = 0; twice < 2; ++twice) {
            m.push_back(size & 0xFF);
            m.push_back(size >> 8);
        }
        for (int shift = 0; shift < 32; shift += 8) {
            m.push_back(static_cast<std::uint8_t>(at >> shift));
        }
        at += value.size();
    };
    fields(lm);
    fields(nt);
    fields(d);
    fields(u);
    fields(w);
    fields({});                                  // session key
    m.insert(m.end(), {0x05, 0x82, 0x89, 0xa0}); // flags, Unicode among them
    for (const Bytes* part : {&lm, &nt, &d, &u, &w}) {
        m.insert(m.end(), part->begin(), part->end());
    }
    return m;
}

} // namespace

class TdsServerProtocolTest : public QObject {
    Q_OBJECT

private slots:
    void passwordScramblingIsReversible();
    void login7FieldsAreDecoded_data();
    void login7FieldsAreDecoded();
    void damagedLogin7IsRefusedWithoutReadingPastTheEnd();
    void preloginAnswerFollowsTheProfile_data();
    void preloginAnswerFollowsTheProfile();
    void encryptionIsNegotiatedByTheProtocolTable_data();
    void encryptionIsNegotiatedByTheProtocolTable();
    void explicitFlagsOverrideTheProfile();
    void versionQueryIsRecognisedTolerantly_data();
    void versionQueryIsRecognisedTolerantly();
    void faultModesShapeTheAnswer();
    void otherStatementsGetSqlServerErrors_data();
    void otherStatementsGetSqlServerErrors();
    void setUseAndSeveralStatementsEndWithOneFinalDone();
    void batchTextSkipsAllHeaders();
    void everyAnswerToGarbageIsWellFormed();
    void wireLogKeepsOneMessagePerLine();
    void ntlmv2AnswersAreCheckedAsADomainWould_data();
    void ntlmv2AnswersAreCheckedAsADomainWould();
    void loginNameIsWhatSuserSnameAndSystemUserAnswer();
};

void TdsServerProtocolTest::passwordScramblingIsReversible() {
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<std::uint8_t>(b);
        QCOMPARE(Login7Request::unscramblePasswordByte(Login7Request::scramblePasswordByte(byte)),
                 byte);
    }
    // 'a' (0x61): nibbles swapped 0x16, XOR 0xA5 gives 0xB3.
    QCOMPARE(Login7Request::scramblePasswordByte(0x61), std::uint8_t{0xB3});
    QCOMPARE(Login7Request::unscramblePasswordByte(0xB3), std::uint8_t{0x61});
}

void TdsServerProtocolTest::login7FieldsAreDecoded_data() {
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("database");
    QTest::newRow("plain") << "sa"
                           << "demo"
                           << "";
    QTest::newRow("non-ascii and spaces") << "Jürgen Ü"
                                          << "pä ss€word"
                                          << "Bücher";
    QTest::newRow("empty password") << "reader"
                                    << ""
                                    << "master";
}

void TdsServerProtocolTest::login7FieldsAreDecoded() {
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, database);
    const auto message = TdsTestClient::login7Message(user.toStdString(), password.toStdString(),
                                                      database.toStdString());
    const auto login = Login7Request::parse(message);
    QVERIFY(login);
    QCOMPARE(login->tdsVersion, 0x71000001u);
    QCOMPARE(login->packetSize, 4096u);
    QVERIFY(!login->integratedSecurity);
    QCOMPARE(QString::fromStdString(login->userName), user);
    QCOMPARE(QString::fromStdString(login->password), password);
    QCOMPARE(QString::fromStdString(login->database), database);
    QCOMPARE(login->appName, std::string("tst_tdsserver"));
    QCOMPARE(login->hostName, std::string("testhost"));
    QVERIFY(login->sspi.empty());

    const std::vector<std::uint8_t> token{'N', 'T', 'L', 'M', 'S', 'S', 'P', 0, 1, 0, 0, 0};
    const auto integrated = Login7Request::parse(TdsTestClient::login7Message("", "", "", token));
    QVERIFY(integrated);
    QVERIFY(integrated->integratedSecurity);
    QVERIFY(integrated->sspi == token);
}

void TdsServerProtocolTest::damagedLogin7IsRefusedWithoutReadingPastTheEnd() {
    const auto message = TdsTestClient::login7Message("sa", "secret", "master");
    // Shorter than its own length field says: refused.
    for (std::size_t cut = 0; cut < message.size(); ++cut) {
        const std::vector<std::uint8_t> truncated(message.begin(),
                                                  message.begin() + static_cast<long>(cut));
        QVERIFY2(!Login7Request::parse(truncated), qPrintable(QString::number(cut)));
    }
    // A field pointing outside the message: refused.
    auto outside = message;
    outside[40] = 0xF0; // user name offset
    outside[41] = 0xFF;
    QVERIFY(!Login7Request::parse(outside));
    // Random damage: either refused or parsed, never a read out of bounds (the sanitizer
    // build checks that).
    std::mt19937 random(20240229);
    int parsed = 0;
    for (int round = 0; round < 3000; ++round) {
        auto damaged = message;
        const int flips = 1 + static_cast<int>(random() % 6);
        for (int k = 0; k < flips; ++k) {
            damaged[random() % damaged.size()] = static_cast<std::uint8_t>(random());
        }
        parsed += Login7Request::parse(damaged) ? 1 : 0;
    }
    QVERIFY(parsed > 0);
}

void TdsServerProtocolTest::preloginAnswerFollowsTheProfile_data() {
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QByteArray>("version"); // major, minor, build (big-endian), sub-build
    QTest::addColumn<int>("encryption");
    QTest::addColumn<bool>("mars");
    QTest::newRow("2000 SP4") << "2000" << QByteArray("\x08\x00\x07\xF7\x00\x00", 6) << 2 << false;
    QTest::newRow("2000 RTM") << "2000-rtm" << QByteArray("\x08\x00\x00\xC2\x00\x00", 6) << 2
                              << false;
    QTest::newRow("2008 R2 SP3") << "2008r2" << QByteArray("\x0A\x32\x17\x70\x00\x00", 6) << 0
                                 << true;
    QTest::newRow("2022 RTM") << "2022" << QByteArray("\x10\x00\x03\xE8\x00\x00", 6) << 0 << true;
}

void TdsServerProtocolTest::preloginAnswerFollowsTheProfile() {
    QFETCH(QString, profile);
    QFETCH(QByteArray, version);
    QFETCH(int, encryption);
    QFETCH(bool, mars);
    std::string error;
    const auto options = ServerOptions::parse({"--profile", profile.toStdString()}, error);
    QVERIFY2(options, error.c_str());
    // What a client offering ENCRYPT_OFF is answered.
    const auto negotiation = PreloginExchange::negotiate(options->encryption, 0);
    const auto numbers = options->versionNumbers();
    const auto answer =
        PreloginExchange::serverAnswer({numbers.major, numbers.minor, numbers.build,
                                        negotiation.answer, options->preloginHasMars});
    // Walk the option table independently.
    std::map<int, std::vector<std::uint8_t>> found;
    std::size_t pos = 0;
    while (pos < answer.size() && answer[pos] != 0xFF) {
        QVERIFY(pos + 5 <= answer.size());
        const int token = answer[pos];
        const std::size_t offset = (answer[pos + 1] << 8) | answer[pos + 2];
        const std::size_t length = (answer[pos + 3] << 8) | answer[pos + 4];
        QVERIFY(offset + length <= answer.size());
        found[token].assign(answer.begin() + static_cast<long>(offset),
                            answer.begin() + static_cast<long>(offset + length));
        pos += 5;
    }
    QVERIFY(pos < answer.size());
    QVERIFY(found[0] == std::vector<std::uint8_t>(version.begin(), version.end()));
    QVERIFY(found[1] == std::vector<std::uint8_t>{static_cast<std::uint8_t>(encryption)});
    QCOMPARE(found.count(4) == 1, mars);

    const auto offer = PreloginExchange::parseClient(TdsTestClient::preloginMessage(1));
    QVERIFY(offer);
    QCOMPARE(offer->encryption, std::optional<std::uint8_t>(1));
    QVERIFY(!PreloginExchange::parseClient({0x00, 0x00, 0x40, 0x00, 0x06, 0xFF}));
    QVERIFY(!PreloginExchange::parseClient({}));
}

void TdsServerProtocolTest::encryptionIsNegotiatedByTheProtocolTable_data() {
    using P = PreloginExchange::Protection;
    QTest::addColumn<QString>("server");
    QTest::addColumn<int>("client"); // -1: the client sent no ENCRYPTION option
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("protection");
    const auto row = [](const char* server, int client, int answer, P protection) {
        QTest::addRow("%s, client %d", server, client)
            << server << client << answer << static_cast<int>(protection);
    };
    for (const int client : {-1, 0, 1, 2, 3}) {
        row("unsupported", client, 2, P::None);
    }
    row("off", -1, 0, P::LoginOnly);
    row("off", 0, 0, P::LoginOnly);
    row("off", 1, 1, P::Full);
    row("off", 2, 2, P::None);
    row("off", 3, 1, P::Full);
    row("on", -1, 1, P::Full);
    row("on", 0, 1, P::Full);
    row("on", 1, 1, P::Full);
    row("on", 2, 3, P::Refused);
    row("on", 3, 1, P::Full);
    row("required", -1, 3, P::Full);
    row("required", 0, 3, P::Full);
    row("required", 1, 1, P::Full);
    row("required", 2, 3, P::Refused);
    row("required", 3, 1, P::Full);
}

void TdsServerProtocolTest::encryptionIsNegotiatedByTheProtocolTable() {
    QFETCH(QString, server);
    QFETCH(int, client);
    QFETCH(int, answer);
    QFETCH(int, protection);
    const auto setting = ServerOptions::encryptionFromName(server.toStdString());
    QVERIFY(setting);
    const auto offered =
        client < 0 ? std::nullopt : std::optional<std::uint8_t>(static_cast<std::uint8_t>(client));
    const auto negotiation = PreloginExchange::negotiate(*setting, offered);
    QCOMPARE(int{negotiation.answer}, answer);
    QCOMPARE(static_cast<int>(negotiation.protection), protection);
}

void TdsServerProtocolTest::explicitFlagsOverrideTheProfile() {
    std::string error;
    // Before or after --profile, a flag wins over the profile's value.
    const auto before = ServerOptions::parse(
        {"--version", "15.0.4153.1", "--encryption", "required", "--profile", "2019"}, error);
    QVERIFY2(before, error.c_str());
    QCOMPARE(before->version, std::string("15.0.4153.1"));
    QCOMPARE(before->level, std::string("RTM"));
    QVERIFY(before->encryption == EncryptionSetting::Required);
    QCOMPARE(int{before->versionNumbers().minor}, 0);
    QCOMPARE(int{before->versionNumbers().build}, 4153);

    const auto sql7 = ServerOptions::parse({"--profile", "sql7", "--fault", "none"}, error);
    QVERIFY2(sql7, error.c_str());
    QVERIFY(!sql7->answersPrelogin);
    QVERIFY(sql7->fault == FaultMode::None);
    QCOMPARE(sql7->loginAckTds, 0x07000000u);
    QVERIFY(ServerOptions::parse({"--profile", "sql7"}, error)->fault == FaultMode::Sql7);
    QVERIFY(ServerOptions::parse({"--profile", "2022-strict"}, error)->tds8 == Tds8::Forced);
    QVERIFY(ServerOptions::parse({"--strict", "accepted", "--profile", "2019"}, error)->tds8 ==
            Tds8::Accepted);

    QVERIFY(ServerOptions::parse({"--tls-versions", "1.2,1.0"}, error)->tlsPriority() ==
            "NORMAL:-VERS-ALL:+VERS-TLS1.2:+VERS-TLS1.0");
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--profile", "2021"},
          {"--encryption", "maybe"},
          {"--tls-versions", "1.3"},
          {"--tls-versions", ""},
          {"--cert", "only.pem"},
          {"--strict", "maybe"},
          {"--ca-out", "ca.pem", "--cert", "server.pem", "--key", "server.key"}}) {
        error.clear();
        QVERIFY(!ServerOptions::parse(bad, error));
        QVERIFY(!error.empty());
    }
}

void TdsServerProtocolTest::versionQueryIsRecognisedTolerantly_data() {
    QTest::addColumn<QString>("sql");
    QTest::newRow("exact") << QString::fromLatin1(versionQuery);
    QTest::newRow("lower case, odd spacing")
        << "  select   serverproperty ( 'ProductVersion' )  AS productversion ,\n"
           "serverproperty('PRODUCTLEVEL') as ProductLevel,\r\n\tServerProperty( N'edition' ) "
           "Edition ;  ";
    QTest::newRow("comments and a SET before")
        << "SET NOCOUNT ON -- quiet\n/* the three facts */ SELECT "
           "SERVERPROPERTY('productversion') as [ProductVersion], SERVERPROPERTY('productlevel') "
           "as \"ProductLevel\", SERVERPROPERTY ('edition') as Edition";
}

void TdsServerProtocolTest::versionQueryIsRecognisedTolerantly() {
    QFETCH(QString, sql);
    const BatchResponder responder(sampleOptions());
    const auto reply = TdsTestClient::decode(responder.answerBatch(sql.toStdString()));
    QVERIFY(reply.decoded);
    QVERIFY(reply.errors.empty());
    QCOMPARE(reply.columns.size(), std::size_t{3});
    const char* names[] = {"ProductVersion", "ProductLevel", "Edition"};
    for (std::size_t i = 0; i < 3; ++i) {
        QCOMPARE(QString::fromStdString(reply.columns[i].name).toLower(),
                 QString::fromLatin1(names[i]).toLower());
        QCOMPARE(reply.columns[i].type, std::uint8_t{0x62});
        QCOMPARE(reply.variantBaseTypes[i], std::uint8_t{0xE7});
    }
    QCOMPARE(reply.rows.size(), std::size_t{1});
    QCOMPARE(optionalText(reply.rows[0][0]), std::string("8.00.0194"));
    QCOMPARE(optionalText(reply.rows[0][1]), std::string("RTM x"));
    QCOMPARE(optionalText(reply.rows[0][2]), std::string("Édition Entreprise 64"));
    QVERIFY(!reply.dones.empty());
    const auto& last = reply.dones.back();
    QCOMPARE(last.status, std::uint16_t{0x0010}); // count valid, final
    QCOMPARE(last.rowCount, 1u);
}

void TdsServerProtocolTest::faultModesShapeTheAnswer() {
    {
        const auto reply = TdsTestClient::decode(
            BatchResponder(sampleOptions(FaultMode::NullEdition)).answerBatch(versionQuery));
        QVERIFY(reply.decoded);
        QCOMPARE(reply.rows.size(), std::size_t{1});
        QCOMPARE(optionalText(reply.rows[0][0]), std::string("8.00.0194"));
        QVERIFY(!reply.rows[0][2].has_value());
    }
    {
        const auto reply = TdsTestClient::decode(
            BatchResponder(sampleOptions(FaultMode::NoRows)).answerBatch(versionQuery));
        QVERIFY(reply.decoded);
        QCOMPARE(reply.columns.size(), std::size_t{3});
        QVERIFY(reply.rows.empty());
        QCOMPARE(reply.dones.back().rowCount, 0u);
        QCOMPARE(reply.dones.back().status & 0x0010, 0x0010);
    }
    {
        const auto reply = TdsTestClient::decode(
            BatchResponder(sampleOptions(FaultMode::Sql7)).answerBatch(versionQuery));
        QVERIFY(reply.decoded);
        QVERIFY(reply.columns.empty());
        QCOMPARE(reply.errors.size(), std::size_t{1});
        QCOMPARE(reply.errors[0].number, 195u);
        QCOMPARE(reply.errors[0].severity, std::uint8_t{15});
        QCOMPARE(reply.errors[0].text,
                 std::string("'SERVERPROPERTY' is not a recognized function name."));
        QCOMPARE(reply.dones.back().status & 0x0002, 0x0002);
    }
}

void TdsServerProtocolTest::otherStatementsGetSqlServerErrors_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<uint>("number");
    QTest::addColumn<QString>("text");
    QTest::newRow("unknown table")
        << "SELECT name FROM dbo.sysfiles2" << 208u << "Invalid object name 'dbo.sysfiles2'.";
    QTest::newRow("star") << "select * from Orders" << 208u << "Invalid object name 'Orders'.";
    QTest::newRow("exec") << "EXEC sp_who2 'active'" << 2812u
                          << "Could not find stored procedure 'sp_who2'.";
    QTest::newRow("bare procedure")
        << "sp_helpdb" << 2812u << "Could not find stored procedure 'sp_helpdb'.";
    QTest::newRow("unknown function") << "SELECT DATABASEPROPERTYEX('master', 'Status')" << 195u
                                      << "'DATABASEPROPERTYEX' is not a recognized function name.";
    QTest::newRow("column without table") << "SELECT name" << 207u << "Invalid column name 'name'.";
    QTest::newRow("unclosed call")
        << "SELECT SERVERPROPERTY('edition'" << 170u << "Line 1: Incorrect syntax near 'edition'.";
    QTest::newRow("select alone") << "SELECT" << 170u << "Line 1: Incorrect syntax near 'SELECT'.";
    QTest::newRow("keyword") << "DELETE FROM t" << 170u << "Line 1: Incorrect syntax near 'FROM'.";
    QTest::newRow("second line") << "SET NOCOUNT ON\nSELECT 1 1" << 170u
                                 << "Line 2: Incorrect syntax near '1'.";
    QTest::newRow("unknown database") << "USE pubs" << 911u
                                      << "Could not locate entry in sysdatabases for database "
                                         "'pubs'. No entry found with that name. Make sure that "
                                         "the name is entered correctly.";
}

void TdsServerProtocolTest::otherStatementsGetSqlServerErrors() {
    QFETCH(QString, sql);
    QFETCH(uint, number);
    QFETCH(QString, text);
    const auto reply =
        TdsTestClient::decode(BatchResponder(sampleOptions()).answerBatch(sql.toStdString()));
    QVERIFY(reply.decoded);
    QCOMPARE(reply.errors.size(), std::size_t{1});
    QCOMPARE(reply.errors[0].number, number);
    QCOMPARE(QString::fromStdString(reply.errors[0].text), text);
    QVERIFY(reply.errors[0].severity >= 11);
    QVERIFY(reply.rows.empty());
    QCOMPARE(reply.dones.size(), std::size_t{1});
    QCOMPARE(reply.dones[0].status, std::uint16_t{0x0002});
}

void TdsServerProtocolTest::setUseAndSeveralStatementsEndWithOneFinalDone() {
    const BatchResponder responder(sampleOptions());
    {
        const auto reply = TdsTestClient::decode(responder.answerBatch("SET TEXTSIZE 2147483647"));
        QVERIFY(reply.decoded);
        QCOMPARE(reply.dones.size(), std::size_t{1});
        QCOMPARE(reply.dones[0].status, std::uint16_t{0});
    }
    {
        const auto reply = TdsTestClient::decode(responder.answerBatch("use MASTER"));
        QVERIFY(reply.decoded);
        QCOMPARE(reply.envChanges.size(), std::size_t{1});
        QCOMPARE(reply.envChanges[0].newValue, std::string("master"));
        QCOMPARE(reply.infos.at(0).number, 5701u);
    }
    {
        const auto reply = TdsTestClient::decode(responder.answerBatch(
            "SET ANSI_NULLS ON; SELECT @@SPID AS spid, 'x' s, 42;SET NOCOUNT OFF"));
        QVERIFY(reply.decoded);
        QCOMPARE(reply.dones.size(), std::size_t{3});
        QCOMPARE(reply.dones[0].status & 0x0001, 0x0001);
        QCOMPARE(reply.dones[1].status, std::uint16_t{0x0011});
        QCOMPARE(reply.dones[2].status, std::uint16_t{0});
        QCOMPARE(reply.rows.size(), std::size_t{1});
        QCOMPARE(reply.columns.at(0).name, std::string("spid"));
        QCOMPARE(optionalText(reply.rows[0][1]), std::string("x"));
        QCOMPARE(optionalText(reply.rows[0][2]), std::string("42"));
    }
    {
        const auto reply = TdsTestClient::decode(responder.answerBatch("  \n-- nothing\n"));
        QVERIFY(reply.decoded);
        QCOMPARE(reply.dones.size(), std::size_t{1});
        QVERIFY(reply.errors.empty());
    }
}

void TdsServerProtocolTest::batchTextSkipsAllHeaders() {
    const std::string sql = "SELECT SERVERPROPERTY('edition')";
    const auto text = TdsTestClient::utf16(sql);
    QCOMPARE(BatchResponder::batchText(text), sql);

    // ALL_HEADERS as TDS 7.2 clients send it: total 22, one transaction descriptor header.
    const std::vector<std::uint8_t> headers{22, 0, 0, 0, 18, 0, 0, 0, 2, 0, 1,
                                            2,  3, 4, 5, 6,  7, 8, 1, 0, 0, 0};
    std::vector<std::uint8_t> withHeaders(headers.size() + text.size());
    std::copy(text.begin(), text.end(),
              std::copy(headers.begin(), headers.end(), withHeaders.begin()));
    QCOMPARE(BatchResponder::batchText(withHeaders), sql);

    // Text whose first bytes look like a small number is still text.
    const auto odd = TdsTestClient::utf16("\x08\x01xy");
    QCOMPARE(BatchResponder::batchText(odd), std::string("\x08\x01xy"));
}

void TdsServerProtocolTest::everyAnswerToGarbageIsWellFormed() {
    const char* fragments[] = {"SELECT",    " ",    "SERVERPROPERTY",
                               "(",         ")",    "'",
                               "'edition'", ",",    "AS",
                               "[",         "]",    "\"",
                               "--",        "/*",   "*/",
                               "\n",        ";",    "FROM",
                               "@@VERSION", "EXEC", "USE",
                               "SET",       "N'",   "1",
                               "*",         "x",    "\xC3"};
    std::mt19937 random(7);
    const BatchResponder responder(sampleOptions());
    for (int round = 0; round < 2000; ++round) {
        std::string sql;
        const int parts = static_cast<int>(random() % 12);
        for (int k = 0; k < parts; ++k) {
            if (random() % 5 == 0) {
                sql += static_cast<char>(random() % 256);
            } else {
                sql += fragments[random() % std::size(fragments)];
            }
        }
        const auto reply = TdsTestClient::decode(responder.answerBatch(sql));
        QVERIFY2(reply.decoded, sql.c_str());
        QVERIFY2(!reply.dones.empty(), sql.c_str());
        QVERIFY2((reply.dones.back().status & 0x0001) == 0, sql.c_str());
    }
}

void TdsServerProtocolTest::wireLogKeepsOneMessagePerLine() {
    QCOMPARE(WireLog::escape("a\\b\nc\r\td\x01 é"), std::string("a\\\\b\\nc\\r\\td\\x01 é"));
    QCOMPARE(WireLog::escape(versionQuery), std::string(versionQuery));
    QCOMPARE(WireLog::typeName(0x12), std::string("PRELOGIN"));
    QCOMPARE(WireLog::typeName(0x10), std::string("LOGIN7"));
    QCOMPARE(WireLog::typeName(0x01), std::string("SQLBATCH"));
    QCOMPARE(WireLog::typeName(0x06), std::string("ATTENTION"));
    QCOMPARE(WireLog::typeName(0x99), std::string("TYPE_0x99"));
}

void TdsServerProtocolTest::ntlmv2AnswersAreCheckedAsADomainWould_data() {
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("typedUser");
    QTest::addColumn<int>("tamperAt"); // -1: no byte of the response changed
    QTest::addColumn<qint64>("serverClock");
    QTest::addColumn<QString>("refusal"); // empty: accepted
    const qint64 hour = 36000000000;
    QTest::newRow("the example, right password") << "Password"
                                                 << "User" << -1 << qint64{0} << "";
    QTest::newRow("user typed in other case") << "Password"
                                              << "USER" << -1 << qint64{0} << "";
    QTest::newRow("clock 35 hours ahead") << "Password"
                                          << "User" << -1 << 35 * hour << "";
    QTest::newRow("wrong password") << "password"
                                    << "User" << -1 << qint64{0} << "wrong password";
    QTest::newRow("another user") << "Password"
                                  << "Admin" << -1 << qint64{0} << "unknown account";
    QTest::newRow("proof changed") << "Password"
                                   << "User" << 3 << qint64{0} << "wrong password";
    QTest::newRow("client nonce changed") << "Password"
                                          << "User" << 16 + 17 << qint64{0} << "wrong password";
    QTest::newRow("target information changed")
        << "Password"
        << "User" << 16 + 28 + 5 << qint64{0} << "another server's";
    QTest::newRow("clock 37 hours ahead") << "Password"
                                          << "User" << -1 << 37 * hour << "time stamp";
}

void TdsServerProtocolTest::ntlmv2AnswersAreCheckedAsADomainWould() {
    QFETCH(QString, password);
    QFETCH(QString, typedUser);
    QFETCH(int, tamperAt);
    QFETCH(qint64, serverClock);
    QFETCH(QString, refusal);
    Bytes nt = exampleProof;
    const Bytes blob = exampleBlob();
    nt.insert(nt.end(), blob.begin(), blob.end());
    if (tamperAt >= 0) {
        nt[static_cast<std::size_t>(tamperAt)] ^= 0x01;
    }
    const auto message =
        NtlmAuthenticateMessage::parse(authenticateMessage("Domain", typedUser.toStdString(), nt));
    QVERIFY(message);
    QCOMPARE(QString::fromStdString(message->user), typedUser);
    QCOMPARE(message->workstation, std::string("COMPUTER"));

    const NtlmVerifier verifier({"Domain", "User", password.toStdString()}, exampleServerChallenge,
                                NtlmChallenge::targetInfo("Domain", "Server"));
    const NtlmVerifier::Result result = verifier.verify(*message, serverClock);
    QCOMPARE(result.accepted, refusal.isEmpty());
    if (result.accepted) {
        QCOMPARE(result.login, std::string("Domain\\User"));
    } else {
        QVERIFY2(QString::fromStdString(result.reason).contains(refusal), result.reason.c_str());
    }
}

void TdsServerProtocolTest::loginNameIsWhatSuserSnameAndSystemUserAnswer() {
    BatchResponder responder(sampleOptions());
    responder.setLoginName("alice@BRELLOW.TEST");
    const auto reply = TdsTestClient::decode(
        responder.answerBatch("SELECT SUSER_SNAME() AS LoginName, system_user"));
    QVERIFY(reply.decoded);
    QVERIFY(reply.errors.empty());
    QCOMPARE(reply.columns.size(), std::size_t{2});
    QCOMPARE(reply.columns[0].name, std::string("LoginName"));
    QCOMPARE(optionalText(reply.rows.at(0)[0]), std::string("alice@BRELLOW.TEST"));
    QCOMPARE(optionalText(reply.rows.at(0)[1]), std::string("alice@BRELLOW.TEST"));
}

QTEST_GUILESS_MAIN(TdsServerProtocolTest)
#include "tst_tdsserverprotocol.moc"
