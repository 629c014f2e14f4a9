// The running test server over real loopback sockets: login, the version query, refusals,
// fault modes, garbage, many connections, the wire log and its lifetime.
#include "TdsTestClient.h"
#include "TestServerProcess.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>
#include <memory>

using brellow::testsupport::TdsTestClient;
using brellow::testsupport::TestServerProcess;
using Outcome = TdsTestClient::Outcome;

namespace {

const char* const versionQuery =
    "SELECT SERVERPROPERTY('productversion') as ProductVersion, SERVERPROPERTY('productlevel') "
    "as ProductLevel, SERVERPROPERTY ('edition') as Edition";

// Values that differ from run to run, so no answer can be built in.
struct ServerFacts {
    QString user = QStringLiteral("sa");
    QString password;
    QString edition;
    QString version;
    QString level;

    static ServerFacts random() {
        auto* r = QRandomGenerator::global();
        ServerFacts f;
        f.password = QStringLiteral("pw %1ä").arg(r->bounded(100000, 999999));
        f.edition = QStringLiteral("Edition %1 (Ñ)").arg(r->bounded(1000));
        f.version = QStringLiteral("8.00.%1").arg(r->bounded(100, 9999));
        f.level = QStringLiteral("SP%1").arg(r->bounded(1, 9));
        return f;
    }
    TestServerProcess::Options options(const QString& fault = {}) const {
        TestServerProcess::Options o;
        o.user = user;
        o.password = password;
        o.edition = edition;
        o.version = version;
        o.level = level;
        o.fault = fault;
        o.lifetimeSeconds = 60;
        return o;
    }
};

QString str(const std::optional<std::string>& v) {
    return v ? QString::fromStdString(*v) : QStringLiteral("<NULL>");
}

// The text of a value of the first row, or a marker when the reply has no such value.
QString cell(const TdsTestClient::Reply& reply, std::size_t column) {
    if (reply.rows.empty() || column >= reply.rows[0].size()) {
        return QStringLiteral("<MISSING>");
    }
    return str(reply.rows[0][column]);
}

QStringList linesOf(const TestServerProcess& server, int connection) {
    const QString prefix = QStringLiteral("conn=%1 ").arg(connection);
    QStringList lines;
    for (const QString& line : server.wireLogLines()) {
        if (line.startsWith(prefix)) {
            lines << line;
        }
    }
    return lines;
}

} // namespace

class TdsServerWireTest : public QObject {
    Q_OBJECT

private slots:
    void loginThenVersionQuery();
    void refusedLoginsCloseTheConnection_data();
    void refusedLoginsCloseTheConnection();
    void ntlmLoginIsChallengedThenRefused();
    void batchSpreadOverPacketsIsReassembled();
    void attentionIsAcknowledged();
    void faultModesOnTheWire_data();
    void faultModesOnTheWire();
    void dropAtBatchClosesTheConnection();
    void hangingServerAnswersAttentionUnlessFrozen_data();
    void hangingServerAnswersAttentionUnlessFrozen();
    void silentHandshakeNeverAnswers();
    void garbageEndsOnlyItsOwnConnection();
    void manyConnectionsAtOnce();
    void freetdsClientReadsTheVersion();
    void encryptionRefusalsOnTheWire_data();
    void encryptionRefusalsOnTheWire();
    void sql7AnswersOnlyAClientThatSkipsPrelogin();
    void givenCertificateIsShown();
    void stopsAfterItsLifetime();
    void badCommandLineIsRefused();
};

void TdsServerWireTest::loginThenVersionQuery() {
    const ServerFacts facts = ServerFacts::random();
    TestServerProcess server(facts.options());
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    QVERIFY(server.port() > 0);

    TdsTestClient client;
    QVERIFY(client.connectTo(server.port()));
    TdsTestClient::Reply reply;
    QCOMPARE(client.login(facts.user.toStdString(), facts.password.toStdString(), reply),
             Outcome::Reply);
    QVERIFY(reply.decoded);
    QVERIFY(reply.errors.empty());
    QVERIFY(reply.loginAck);
    QCOMPARE(reply.loginAck->tdsVersion, 0x71000001u);
    QCOMPARE(reply.loginAck->programName, std::string("Microsoft SQL Server"));
    // The program version is the product version's, as a real server's is.
    QCOMPARE(reply.loginAck->major, std::uint8_t{8});
    QCOMPARE(reply.loginAck->minor, std::uint8_t{0});
    QCOMPARE(QString::number(reply.loginAck->build), facts.version.section(QLatin1Char('.'), 2));
    std::map<int, TdsTestClient::EnvChange> env;
    for (const auto& e : reply.envChanges) {
        env[e.type] = e;
    }
    QCOMPARE(env[1].newValue, std::string("master"));
    QCOMPARE(env[2].newValue, std::string("us_english"));
    QCOMPARE(env[4].newValue, std::string("4096"));
    QCOMPARE(env[7].newBytes.size(), std::size_t{5});
    QCOMPARE(reply.infos.size(), std::size_t{2});
    QCOMPARE(reply.infos[0].number, 5701u);
    QCOMPARE(reply.infos[0].text, std::string("Changed database context to 'master'."));
    QCOMPARE(reply.infos[1].number, 5703u);
    QCOMPARE(reply.infos[1].text, std::string("Changed language setting to us_english."));
    QCOMPARE(reply.dones.size(), std::size_t{1});
    QCOMPARE(reply.dones[0].status, std::uint16_t{0});

    QCOMPARE(client.query(versionQuery, reply), Outcome::Reply);
    QVERIFY(reply.decoded);
    QCOMPARE(reply.rows.size(), std::size_t{1});
    QCOMPARE(str(reply.rows[0][0]), facts.version);
    QCOMPARE(str(reply.rows[0][1]), facts.level);
    QCOMPARE(str(reply.rows[0][2]), facts.edition);
    QCOMPARE(reply.dones.back().rowCount, 1u);

    // A second batch on the same connection is answered too.
    QCOMPARE(client.query("select SERVERPROPERTY('ProductLevel')", reply), Outcome::Reply);
    QCOMPARE(cell(reply, 0), facts.level);

    const QStringList lines = linesOf(server, 1);
    QCOMPARE(lines.size(), 4);
    QVERIFY(lines[0].startsWith("conn=1 PRELOGIN len="));
    QVERIFY2(lines[1].startsWith("conn=1 LOGIN7 len=") && lines[1].contains(" user=sa ") &&
                 lines[1].contains("tds=0x71000001") && lines[1].endsWith("result=accepted"),
             qPrintable(lines[1]));
    const QString expectedBatch = QStringLiteral("conn=1 SQLBATCH len=%1 text=%2")
                                      .arg(2 * qstrlen(versionQuery))
                                      .arg(QString::fromLatin1(versionQuery));
    QCOMPARE(lines[2], expectedBatch);
}

void TdsServerWireTest::refusedLoginsCloseTheConnection_data() {
    QTest::addColumn<QString>("user");
    QTest::addColumn<bool>("rightPassword");
    QTest::addColumn<QString>("database");
    QTest::addColumn<QList<uint>>("numbers");
    QTest::addColumn<QString>("lastText");
    QTest::newRow("wrong password")
        << "sa" << false << "" << QList<uint>{18456} << "Login failed for user 'sa'.";
    QTest::newRow("unknown user") << "guest" << true << "" << QList<uint>{18456}
                                  << "Login failed for user 'guest'.";
    QTest::newRow("no user name")
        << "" << true << "" << QList<uint>{18452}
        << "Login failed for user '(null)'. Reason: Not associated with a trusted SQL Server "
           "connection.";
    QTest::newRow("other database")
        << "sa" << true << "pubs" << QList<uint>{4060, 18456} << "Login failed for user 'sa'.";
}

void TdsServerWireTest::refusedLoginsCloseTheConnection() {
    QFETCH(QString, user);
    QFETCH(bool, rightPassword);
    QFETCH(QString, database);
    QFETCH(QList<uint>, numbers);
    QFETCH(QString, lastText);
    const ServerFacts facts = ServerFacts::random();
    TestServerProcess server(facts.options());
    QVERIFY2(server.start(), qPrintable(server.errorString()));

    TdsTestClient client;
    QVERIFY(client.connectTo(server.port()));
    TdsTestClient::Reply reply;
    const QString password = rightPassword ? facts.password : facts.password + "x";
    QCOMPARE(
        client.login(user.toStdString(), password.toStdString(), reply, database.toStdString()),
        Outcome::Reply);
    QVERIFY(reply.decoded);
    QVERIFY(!reply.loginAck);
    QCOMPARE(int(reply.errors.size()), numbers.size());
    for (int i = 0; i < numbers.size(); ++i) {
        QCOMPARE(reply.errors[std::size_t(i)].number, numbers[i]);
    }
    QCOMPARE(reply.errors.back().severity, std::uint8_t{14});
    QCOMPARE(QString::fromStdString(reply.errors.back().text), lastText);
    QCOMPARE(reply.dones.back().status & 0x0002, 0x0002);
    QCOMPARE(client.receive(reply, 5000), Outcome::Closed);
    QVERIFY(linesOf(server, 1).value(1).endsWith("result=refused"));
}

void TdsServerWireTest::ntlmLoginIsChallengedThenRefused() {
    TestServerProcess server(ServerFacts::random().options());
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    TdsTestClient client;
    QVERIFY(client.connectTo(server.port()));
    TdsTestClient::Reply reply;
    QVERIFY(client.send(TdsTestClient::prelogin, TdsTestClient::preloginMessage()));
    QCOMPARE(client.receive(reply), Outcome::Reply);

    // NTLM NEGOTIATE: signature, type 1, flags (Unicode, NTLM, request target).
    const std::vector<std::uint8_t> negotiate{'N', 'T',  'L',  'M',  'S',  'S', 'P', 0, 1, 0, 0,
                                              0,   0x05, 0x02, 0x00, 0x00, 0,   0,   0, 0, 0, 0,
                                              0,   0,    0,    0,    0,    0,   0,   0, 0, 0};
    QVERIFY(
        client.send(TdsTestClient::login7, TdsTestClient::login7Message("", "", "", negotiate)));
    QCOMPARE(client.receive(reply), Outcome::Reply);
    QVERIFY(reply.decoded);
    QVERIFY(!reply.loginAck);
    QVERIFY(reply.errors.empty());
    const std::vector<std::uint8_t> signature{'N', 'T', 'L', 'M', 'S', 'S', 'P', 0, 2, 0, 0, 0};
    QVERIFY(reply.sspi.size() > 48);
    QVERIFY(std::equal(signature.begin(), signature.end(), reply.sspi.begin()));

    std::vector<std::uint8_t> authenticate{'N', 'T', 'L', 'M', 'S', 'S', 'P', 0, 3, 0, 0, 0};
    authenticate.resize(88, 0);
    QVERIFY(client.send(TdsTestClient::sspiMessage, authenticate));
    QCOMPARE(client.receive(reply), Outcome::Reply);
    QCOMPARE(reply.errors.size(), std::size_t{1});
    QCOMPARE(reply.errors[0].number, 18452u);
    QCOMPARE(client.receive(reply), Outcome::Closed);

    const QStringList lines = linesOf(server, 1);
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[1].contains("integrated=1") && lines[1].endsWith("result=challenge"));
    QVERIFY(lines[2].startsWith("conn=1 SSPI len=88 ntlm=authenticate"));
}

void TdsServerWireTest::batchSpreadOverPacketsIsReassembled() {
    const ServerFacts facts = ServerFacts::random();
    TestServerProcess server(facts.options());
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    TdsTestClient client;
    QVERIFY(client.connectTo(server.port()));
    TdsTestClient::Reply reply;
    QCOMPARE(client.login("SA", facts.password.toStdString(), reply), Outcome::Reply);
    QVERIFY(reply.loginAck); // user names compare case-insensitively

    const std::string padding(3000, 'z');
    const std::string sql = "/* " + padding + " */\r\n\t" + versionQuery + "\n";
    QCOMPARE(client.query(sql, reply, 512), Outcome::Reply); // 512-byte packets: 13 of them
    QCOMPARE(cell(reply, 2), facts.edition);
    const QStringList lines = linesOf(server, 1);
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[2],
             QStringLiteral("conn=1 SQLBATCH len=%1 text=/* %2 */\\r\\n\\t%3\\n")
                 .arg(sql.size() * 2)
                 .arg(QString::fromStdString(padding), QString::fromLatin1(versionQuery)));
}

void TdsServerWireTest::attentionIsAcknowledged() {
    const ServerFacts facts = ServerFacts::random();
    TestServerProcess server(facts.options());
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    TdsTestClient client;
    QVERIFY(client.connectTo(server.port()));
    TdsTestClient::Reply reply;
    QCOMPARE(client.login("sa", facts.password.toStdString(), reply), Outcome::Reply);
    QVERIFY(client.send(TdsTestClient::attention, {}));
    QCOMPARE(client.receive(reply), Outcome::Reply);
    QCOMPARE(reply.dones.size(), std::size_t{1});
    QCOMPARE(reply.dones[0].status, std::uint16_t{0x0020});
    QVERIFY(linesOf(server, 1)
                .value(linesOf(server, 1).size() - 1)
                .startsWith("conn=1 ATTENTION len=0"));
}

void TdsServerWireTest::faultModesOnTheWire_data() {
    QTest::addColumn<QString>("fault");
    QTest::newRow("null-edition") << "null-edition";
    QTest::newRow("sql7") << "sql7";
    QTest::newRow("no-rows") << "no-rows";
}

void TdsServerWireTest::faultModesOnTheWire() {
    QFETCH(QString, fault);
    const ServerFacts facts = ServerFacts::random();
    TestServerProcess server(facts.options(fault));
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    TdsTestClient client;
    QVERIFY(client.connectTo(server.port()));
    TdsTestClient::Reply reply;
    QCOMPARE(client.login("sa", facts.password.toStdString(), reply), Outcome::Reply);
    QVERIFY(reply.loginAck);
    QCOMPARE(client.query(versionQuery, reply), Outcome::Reply);
    QVERIFY(reply.decoded);
    if (fault == "null-edition") {
        QCOMPARE(cell(reply, 0), facts.version);
        QCOMPARE(cell(reply, 2), QStringLiteral("<NULL>"));
        QCOMPARE(reply.variantBaseTypes.size(), std::size_t{3});
        QCOMPARE(reply.variantBaseTypes[2], std::uint8_t{0});
    } else if (fault == "sql7") {
        QCOMPARE(reply.errors.size(), std::size_t{1});
        QCOMPARE(reply.errors[0].number, 195u);
        QCOMPARE(reply.errors[0].severity, std::uint8_t{15});
        QVERIFY(reply.columns.empty());
        QCOMPARE(reply.dones.back().status, std::uint16_t{0x0002});
    } else {
        QCOMPARE(reply.columns.size(), std::size_t{3});
        QVERIFY(reply.rows.empty());
        QCOMPARE(reply.dones.back().rowCount, 0u);
    }
}

void TdsServerWireTest::dropAtBatchClosesTheConnection() {
    const ServerFacts facts = ServerFacts::random();
    TestServerProcess server(facts.options("drop-at-batch"));
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    TdsTestClient client;
    QVERIFY(client.connectTo(server.port()));
    TdsTestClient::Reply reply;
    QCOMPARE(client.login("sa", facts.password.toStdString(), reply), Outcome::Reply);
    QVERIFY(reply.loginAck);
    QCOMPARE(client.query(versionQuery, reply), Outcome::Closed);
    QVERIFY(linesOf(server, 1).value(linesOf(server, 1).size() - 1).startsWith("conn=1 SQLBATCH"));
}

void TdsServerWireTest::hangingServerAnswersAttentionUnlessFrozen_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("answersAttention");
    // Whether a reply comes whole, but broken off inside a token.
    QTest::addColumn<bool>("tokenBroken");
    QTest::newRow("hang-after-login") << QStringLiteral("hang-after-login") << true << false;
    QTest::newRow("frozen-after-login") << QStringLiteral("frozen-after-login") << false << false;
    const std::pair<QString, bool> broken[] = {
        {"name-past-end", true}, {"value-past-end", true}, {"packet-past-end", false}};
    for (const auto& [fault, inToken] : broken) {
        QTest::newRow(qPrintable(fault)) << fault << true << inToken;
        QTest::addRow("%s-frozen", qPrintable(fault)) << fault + "-frozen" << false << inToken;
    }
}

void TdsServerWireTest::hangingServerAnswersAttentionUnlessFrozen() {
    QFETCH(QString, fault);
    QFETCH(bool, answersAttention);
    QFETCH(bool, tokenBroken);
    const ServerFacts facts = ServerFacts::random();
    TestServerProcess server(facts.options(fault));
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    TdsTestClient client;
    QVERIFY(client.connectTo(server.port()));
    TdsTestClient::Reply reply;
    QCOMPARE(client.login("sa", facts.password.toStdString(), reply), Outcome::Reply);
    QVERIFY(reply.loginAck);
    QVERIFY(client.send(TdsTestClient::sqlBatch, TdsTestClient::utf16(versionQuery)));
    // The batch has arrived once it is logged; it must then stay unanswered, or get a reply
    // that a token running past its end leaves unfinished.
    QTRY_COMPARE_WITH_TIMEOUT(linesOf(server, 1).size(), 3, 5000);
    if (tokenBroken) {
        QCOMPARE(client.receive(reply, 300), Outcome::Reply);
        QVERIFY(!reply.decoded);
        QVERIFY(reply.dones.empty());
    } else {
        QCOMPARE(client.receive(reply, 300), Outcome::TimedOut);
    }
    QVERIFY(client.send(TdsTestClient::attention, {}));
    if (!answersAttention) {
        QTRY_COMPARE_WITH_TIMEOUT(linesOf(server, 1).size(), 4, 5000);
        QVERIFY(linesOf(server, 1).value(3).startsWith("conn=1 ATTENTION"));
        QCOMPARE(client.receive(reply, 300), Outcome::TimedOut);
        return;
    }
    QCOMPARE(client.receive(reply), Outcome::Reply);
    QVERIFY(reply.rows.empty());
    QCOMPARE(reply.dones.size(), std::size_t{1});
    QCOMPARE(reply.dones[0].status, std::uint16_t{0x0020});
}

void TdsServerWireTest::silentHandshakeNeverAnswers() {
    TestServerProcess server(ServerFacts::random().options("silent-handshake"));
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    TdsTestClient client;
    QVERIFY(client.connectTo(server.port()));
    QVERIFY(client.send(TdsTestClient::prelogin, TdsTestClient::preloginMessage()));
    QTRY_COMPARE_WITH_TIMEOUT(linesOf(server, 1).size(), 1, 5000);
    QVERIFY(linesOf(server, 1).value(0).startsWith("conn=1 PRELOGIN"));
    TdsTestClient::Reply reply;
    QCOMPARE(client.receive(reply, 300), Outcome::TimedOut);
}

void TdsServerWireTest::garbageEndsOnlyItsOwnConnection() {
    const ServerFacts facts = ServerFacts::random();
    TestServerProcess server(facts.options());
    QVERIFY2(server.start(), qPrintable(server.errorString()));

    std::vector<std::vector<std::uint8_t>> junk;
    junk.push_back({0x12, 0x01, 0x00, 0x03, 0, 0, 1, 0}); // length shorter than a header
    junk.push_back({'G', 'E', 'T', ' ', '/', ' ', 'H', 'T', 'T', 'P', '/', '1', '.', '1', '\r',
                    '\n', '\r', '\n'});
    junk.push_back({0x12, 0x01, 0x00, 0x0D, 0, 0, 1, 0, 0x00, 0xFF, 0xFF, 0x00, 0x10});
    junk.push_back({0x10, 0x01, 0x00, 0x10, 0, 0, 1, 0, 1, 2, 3, 4, 5, 6, 7, 8});
    junk.push_back({0x01, 0x01, 0x00, 0x0C, 0, 0, 1, 0, 'x', 0, 'y', 0}); // batch before login
    std::vector<std::uint8_t> noise(700);
    for (auto& b : noise) {
        b = static_cast<std::uint8_t>(QRandomGenerator::global()->bounded(256));
    }
    noise[2] = 0x02; // a packet length of at least 512: the server reads it all
    junk.push_back(noise);

    for (const auto& bytes : junk) {
        TdsTestClient client;
        QVERIFY(client.connectTo(server.port()));
        QVERIFY(client.sendRaw(bytes));
        client.close();
    }
    // After all that, a proper client is still served.
    TdsTestClient client;
    QVERIFY(client.connectTo(server.port()));
    TdsTestClient::Reply reply;
    QCOMPARE(client.login("sa", facts.password.toStdString(), reply), Outcome::Reply);
    QVERIFY(reply.loginAck);
    QCOMPARE(client.query(versionQuery, reply), Outcome::Reply);
    QCOMPARE(cell(reply, 1), facts.level);
    QVERIFY(server.isRunning());

    // Garbage on a connection of its own is met with the connection's end.
    TdsTestClient rude;
    QVERIFY(rude.connectTo(server.port()));
    QVERIFY(rude.sendRaw({0x01, 0x01, 0x00, 0x0C, 0, 0, 1, 0, 'x', 0, 'y', 0}));
    QCOMPARE(rude.receive(reply), Outcome::Closed);
}

void TdsServerWireTest::manyConnectionsAtOnce() {
    const ServerFacts facts = ServerFacts::random();
    TestServerProcess server(facts.options());
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    constexpr int count = 24;
    std::vector<std::unique_ptr<TdsTestClient>> clients;
    for (int i = 0; i < count; ++i) {
        clients.push_back(std::make_unique<TdsTestClient>());
        QVERIFY(clients.back()->connectTo(server.port()));
        QVERIFY(clients.back()->send(TdsTestClient::prelogin, TdsTestClient::preloginMessage()));
    }
    TdsTestClient::Reply reply;
    for (auto& client : clients) {
        QCOMPARE(client->receive(reply), Outcome::Reply);
        QVERIFY(client->send(TdsTestClient::login7,
                             TdsTestClient::login7Message("sa", facts.password.toStdString())));
    }
    for (auto& client : clients) {
        QCOMPARE(client->receive(reply), Outcome::Reply);
        QVERIFY(reply.loginAck);
        QVERIFY(client->send(TdsTestClient::sqlBatch, TdsTestClient::utf16(versionQuery)));
    }
    for (auto& client : clients) {
        QCOMPARE(client->receive(reply), Outcome::Reply);
        QCOMPARE(cell(reply, 0), facts.version);
    }
    for (int i = 1; i <= count; ++i) {
        const QStringList lines = linesOf(server, i);
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[2].contains(" SQLBATCH "));
    }
}

void TdsServerWireTest::freetdsClientReadsTheVersion() {
    const QString tsql = QStandardPaths::findExecutable(QStringLiteral("tsql"));
    QVERIFY2(!tsql.isEmpty(), "tsql (Debian package freetds-bin, see scripts/bootstrap)");
    const ServerFacts facts = ServerFacts::random();
    TestServerProcess server(facts.options());
    QVERIFY2(server.start(), qPrintable(server.errorString()));

    const auto runTsql = [&](const QString& password) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TDSVER"), QStringLiteral("7.1"));
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(tsql, {"-H", "127.0.0.1", "-p", QString::number(server.port()), "-U",
                             facts.user, "-P", password});
        process.write(QByteArray(versionQuery) + "\ngo\nexit\n");
        process.closeWriteChannel();
        if (!process.waitForFinished(20000)) {
            process.kill();
            process.waitForFinished();
        }
        return QString::fromUtf8(process.readAll());
    };
    const QString output = runTsql(facts.password);
    const QString row = facts.version + "\t" + facts.level + "\t" + facts.edition;
    QVERIFY2(output.contains("ProductVersion\tProductLevel\tEdition"), qPrintable(output));
    QVERIFY2(output.contains(row), qPrintable(output));
    const QString refused = runTsql(facts.password + "!");
    QVERIFY2(refused.contains("Msg 18456") && refused.contains("Login failed for user 'sa'."),
             qPrintable(refused));
}

namespace {

// The ENCRYPTION value of a PRELOGIN answer, read from its option table; -1 when absent.
int answeredEncryption(const std::vector<std::uint8_t>& payload) {
    for (std::size_t pos = 0; pos + 5 <= payload.size() && payload[pos] != 0xFF; pos += 5) {
        const std::size_t offset = (payload[pos + 1] << 8) | payload[pos + 2];
        if (payload[pos] == 0x01 && offset < payload.size()) {
            return payload[offset];
        }
    }
    return -1;
}

QString runTsql(quint16 port, const QString& tdsVersion, const QString& password,
                const QString& sql, const QString& configFile = {}) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TDSVER"), tdsVersion);
    if (!configFile.isEmpty()) {
        env.insert(QStringLiteral("FREETDSCONF"), configFile);
    }
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStandardPaths::findExecutable(QStringLiteral("tsql")),
                  {"-H", "127.0.0.1", "-p", QString::number(port), "-U", "sa", "-P", password});
    process.write(sql.toUtf8() + "\ngo\nexit\n");
    process.closeWriteChannel();
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
    }
    return QString::fromUtf8(process.readAll());
}

} // namespace

void TdsServerWireTest::encryptionRefusalsOnTheWire_data() {
    QTest::addColumn<QStringList>("serverArgs");
    QTest::addColumn<int>("offered");
    QTest::addColumn<int>("answer"); // -1: no answer at all
    QTest::addColumn<bool>("staysOpen");
    QTest::newRow("forced encryption, client cannot")
        << QStringList{"--encryption", "required"} << 2 << 3 << false;
    QTest::newRow("encryption on, client cannot")
        << QStringList{"--encryption", "on"} << 2 << 3 << false;
    // The client sees it cannot have what it asked for, and leaves by itself.
    QTest::newRow("no certificate, client insists")
        << QStringList{"--encryption", "unsupported"} << 1 << 2 << true;
    QTest::newRow("SQL Server 7.0 knows no PRELOGIN")
        << QStringList{"--profile", "sql7"} << 0 << -1 << false;
}

void TdsServerWireTest::encryptionRefusalsOnTheWire() {
    QFETCH(QStringList, serverArgs);
    QFETCH(int, offered);
    QFETCH(int, answer);
    QFETCH(bool, staysOpen);
    TestServerProcess::Options options = ServerFacts::random().options();
    options.extraArgs = serverArgs;
    TestServerProcess server(options);
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    TdsTestClient client;
    QVERIFY(client.connectTo(server.port()));
    QVERIFY(client.send(TdsTestClient::prelogin,
                        TdsTestClient::preloginMessage(static_cast<std::uint8_t>(offered))));
    TdsTestClient::Reply reply;
    if (answer < 0) {
        QCOMPARE(client.receive(reply), Outcome::Closed);
        return;
    }
    QCOMPARE(client.receive(reply), Outcome::Reply);
    QCOMPARE(answeredEncryption(reply.raw), answer);
    QCOMPARE(client.receive(reply, staysOpen ? 300 : 5000),
             staysOpen ? Outcome::TimedOut : Outcome::Closed);
}

void TdsServerWireTest::sql7AnswersOnlyAClientThatSkipsPrelogin() {
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("tsql")).isEmpty(),
             "tsql (Debian package freetds-bin, see scripts/bootstrap)");
    TestServerProcess::Options options = ServerFacts::random().options();
    options.password = QStringLiteral("pw7");
    options.extraArgs = {"--profile", "sql7"};
    TestServerProcess server(options);
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    // TDS 7.0 sends LOGIN7 first, as clients of SQL Server 7.0 did.
    const QString output = runTsql(server.port(), QStringLiteral("7.0"), QStringLiteral("pw7"),
                                   QString::fromLatin1(versionQuery));
    QVERIFY2(output.contains("Msg 195") &&
                 output.contains("'SERVERPROPERTY' is not a recognized function name."),
             qPrintable(output));
    QVERIFY(linesOf(server, 1).value(0).contains(" LOGIN7 "));
    QVERIFY(linesOf(server, 1).value(0).contains("result=accepted"));
}

void TdsServerWireTest::givenCertificateIsShown() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString cert = dir.filePath(QStringLiteral("cert.pem"));
    const QString key = dir.filePath(QStringLiteral("key.pem"));
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"),
                  {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                   "/CN=given.example", "-keyout", key, "-out", cert});
    QVERIFY2(
        openssl.waitForFinished(30000) && openssl.exitCode() == 0,
        qPrintable(QStringLiteral("openssl (Debian package openssl, see scripts/bootstrap): ") +
                   QString::fromUtf8(openssl.readAll())));

    TestServerProcess::Options options;
    options.password = QStringLiteral("pw");
    options.extraArgs = {"--profile", "2019", "--encryption", "required",
                         "--cert",    cert,   "--key",        key};
    TestServerProcess server(options);
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    // FreeTDS checks the certificate against this CA file: only the one given can pass.
    const QString config = dir.filePath(QStringLiteral("freetds.conf"));
    QFile file(config);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[global]\n\tca file = " + cert.toUtf8() + "\n\tcheck certificate hostname = no\n");
    file.close();
    const QString output =
        runTsql(server.port(), QStringLiteral("7.1"), QStringLiteral("pw"),
                QStringLiteral("SELECT SERVERPROPERTY('productversion')"), config);
    QVERIFY2(output.contains("15.0.2000.5"), qPrintable(output));
    QVERIFY(linesOf(server, 1).filter(" LOGIN7 ").value(0).contains("protocol=TLS1.2"));

    // A key that does not belong to the certificate: the server refuses to start.
    options.extraArgs = {"--encryption", "off", "--cert", cert, "--key", cert};
    TestServerProcess mismatched(options);
    QVERIFY(!mismatched.start());
    QVERIFY2(mismatched.errorString().contains("exit code 1"),
             qPrintable(mismatched.errorString()));
}

void TdsServerWireTest::stopsAfterItsLifetime() {
    ServerFacts facts = ServerFacts::random();
    TestServerProcess::Options options = facts.options();
    options.lifetimeSeconds = 1;
    TestServerProcess server(options);
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    // An idle connection must not keep it alive.
    TdsTestClient client;
    QVERIFY(client.connectTo(server.port()));
    QTRY_VERIFY_WITH_TIMEOUT(!server.isRunning(), 10000);
    TdsTestClient::Reply reply;
    QCOMPARE(client.receive(reply, 2000), Outcome::Closed);
    TdsTestClient late;
    QVERIFY(!late.connectTo(server.port()));
}

void TdsServerWireTest::badCommandLineIsRefused() {
    TestServerProcess::Options options = ServerFacts::random().options(QStringLiteral("sometimes"));
    TestServerProcess unknownFault(options);
    QVERIFY(!unknownFault.start());
    QVERIFY2(unknownFault.errorString().contains("exit code 2"),
             qPrintable(unknownFault.errorString()));

    options = ServerFacts::random().options();
    options.extraArgs = {QStringLiteral("--packet-size"), QStringLiteral("100")};
    TestServerProcess tinyPackets(options);
    QVERIFY(!tinyPackets.start());
    QVERIFY(!tinyPackets.isRunning());
}

QTEST_GUILESS_MAIN(TdsServerWireTest)
#include "tst_tdsserverwire.moc"
