#include "ClientSession.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace brellow::tdsserver {

namespace {

enum MessageType : std::uint8_t {
    SqlBatch = 0x01,
    Rpc = 0x03,
    Attention = 0x06,
    TransactionManager = 0x0E,
    Login7 = 0x10,
    Sspi = 0x11,
    Prelogin = 0x12,
};

constexpr std::uint8_t severityLogin = 14;
// How many bytes more than it carries the header of a broken reply's packet counts.
constexpr std::size_t overstatedPacketBytes = 1000;

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string hex32(std::uint32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08X", value);
    return buffer;
}

bool overstatesPackets(FaultMode fault) {
    return fault == FaultMode::PacketPastEnd || fault == FaultMode::PacketPastEndFrozen;
}

// The wire log's word for what the fault mode broke in a batch's reply.
std::string brokenReplyField(FaultMode fault) {
    switch (fault) {
    case FaultMode::NamePastEnd:
    case FaultMode::NamePastEndFrozen:
        return "fault=colmetadata-name-length";
    case FaultMode::ValuePastEnd:
    case FaultMode::ValuePastEndFrozen:
        return "fault=row-value-length";
    case FaultMode::PacketPastEnd:
    case FaultMode::PacketPastEndFrozen:
        return "fault=packet-length";
    default:
        return {};
    }
}

} // namespace

ClientSession::ClientSession(int socket, std::uint64_t number, const ServerOptions& options,
                             WireLog& log, const ServerCertificate* certificate)
    : socket_(socket), channel_(socket_, static_cast<std::uint16_t>(50 + number % 30000)),
      certificate_(certificate), number_(number), options_(options), log_(log), responder_(options),
      loginAckTds_(options.loginAckTds) {
    if (!options_.rawLog.empty()) {
        socket_.recordTo(options_.rawLog + "/conn-" + std::to_string(number_) + ".bin");
    }
}

void ClientSession::run() {
    PacketChannel::Message message;
    if (!openStrict()) {
        socket_.shutdown();
        return;
    }
    while (stage_ != Stage::Closing) {
        const auto result = channel_.read(message);
        if (result == PacketChannel::ReadResult::Closed) {
            break;
        }
        if (result == PacketChannel::ReadResult::Malformed) {
            log_.message(number_, "MALFORMED", message.payload.size());
            break;
        }
        handle(message);
    }
    socket_.shutdown();
}

bool ClientSession::openStrict() {
    // Every TLS handshake opens with a record of type 22; a TDS message never does.
    constexpr std::uint8_t tlsHandshakeRecord = 0x16;
    const auto first = socket_.peekByte();
    if (!first) {
        return false;
    }
    if (*first != tlsHandshakeRecord) {
        if (options_.tds8 == Tds8::Forced) {
            // Force Strict Encryption: a TDS 7.x client is turned away before it says more.
            PacketChannel::Message message;
            if (channel_.read(message) == PacketChannel::ReadResult::Message) {
                log(message, "refused=tds8-only");
            }
            return false;
        }
        return true;
    }
    if (options_.tds8 == Tds8::No || certificate_ == nullptr) {
        // Before SQL Server 2022 a TLS record is no TDS packet: the connection ends.
        log_.message(number_, "TLS", 0, "tds8=0 refused=no-tds8");
        return false;
    }
    tls_ = std::make_unique<TlsServerSession>(socket_, channel_, *certificate_,
                                              ServerOptions::strictTlsPriority(),
                                              TlsServerSession::Framing::TlsFirst);
    std::string error;
    const bool done = tls_->handshake(error);
    const std::string alpn = tls_->applicationProtocol();
    log_.message(
        number_, "TLS", 0,
        "tds8=1 alpn=" + (alpn.empty() ? std::string("none") : alpn) +
            (done ? " protocol=" + tls_->protocolName() : " failed=" + WireLog::word(error)));
    if (!done) {
        return false;
    }
    channel_.switchTo(*tls_);
    strict_ = true;
    return true;
}

void ClientSession::log(const PacketChannel::Message& message, const std::string& fields,
                        const std::string* text) {
    std::string all = fields;
    if (message.encrypted) {
        all += std::string(all.empty() ? "" : " ") + "tls=1";
    }
    log_.message(number_, WireLog::typeName(message.type), message.payload.size(), all,
                 text != nullptr ? *text : std::string_view{}, text != nullptr);
}

void ClientSession::reply(std::vector<std::uint8_t> tokens, std::size_t overstatedBy) {
    if (!channel_.write(PacketChannel::typeReply, tokens, packetSize_, overstatedBy)) {
        stage_ = Stage::Closing;
    }
}

void ClientSession::handle(const PacketChannel::Message& message) {
    if (options_.fault == FaultMode::SilentHandshake) {
        log(message, "");
        return;
    }
    switch (stage_) {
    case Stage::Prelogin:
        if (message.type == Prelogin) {
            prelogin(message);
        } else {
            // Clients of TDS 7.0 log in without a PRELOGIN first.
            login(message);
        }
        break;
    case Stage::Login:
        login(message);
        break;
    case Stage::SspiReply:
        sspi(message);
        break;
    case Stage::LoggedIn:
        loggedIn(message);
        break;
    case Stage::Closing:
        break;
    }
}

void ClientSession::prelogin(const PacketChannel::Message& message) {
    if (!options_.answersPrelogin) {
        // SQL Server 7.0 predates PRELOGIN: a packet type it does not know ends the connection.
        log(message, "unexpected");
        stage_ = Stage::Closing;
        return;
    }
    const auto offer = PreloginExchange::parseClient(message.payload);
    if (!offer) {
        log(message, "malformed");
        stage_ = Stage::Closing;
        return;
    }
    const auto negotiation = PreloginExchange::negotiate(options_.encryption, offer->encryption);
    std::string fields;
    if (offer->encryption) {
        fields = "encryption=" + std::to_string(*offer->encryption) + " ";
    }
    fields += "answer=" + std::to_string(negotiation.answer);
    log(message, fields);
    const auto version = options_.versionNumbers();
    reply(PreloginExchange::serverAnswer({version.major, version.minor, version.build,
                                          negotiation.answer, options_.preloginHasMars}));
    if (stage_ == Stage::Closing) {
        return;
    }
    if (strict_) {
        // TLS is already up: the encryption option negotiates nothing more.
        stage_ = Stage::Login;
        return;
    }
    switch (negotiation.protection) {
    case PreloginExchange::Protection::None:
        stage_ = Stage::Login;
        return;
    case PreloginExchange::Protection::Refused:
        // A server that forces encryption ends the connection of a client that cannot.
        stage_ = Stage::Closing;
        return;
    case PreloginExchange::Protection::LoginOnly:
    case PreloginExchange::Protection::Full:
        startTls(negotiation.protection);
        return;
    }
}

void ClientSession::startTls(PreloginExchange::Protection protection) {
    stage_ = Stage::Closing;
    if (certificate_ == nullptr) {
        return;
    }
    tls_ = std::make_unique<TlsServerSession>(socket_, channel_, *certificate_,
                                              options_.tlsPriority());
    if (options_.fault == FaultMode::BreakTls) {
        tls_->breakFirstFlight();
    }
    tls_->observeHandshake(
        [this](const PacketChannel::Message& handshake) { log(handshake, "handshake=1"); });
    std::string error;
    if (!tls_->handshake(error)) {
        if (options_.fault == FaultMode::BreakTls) {
            // Left half-done: the client must give up by itself.
            std::uint8_t buffer[512];
            while (socket_.receive(buffer, sizeof buffer) > 0) {
            }
        }
        return;
    }
    if (protection == PreloginExchange::Protection::Full) {
        channel_.switchTo(*tls_);
    } else {
        // Both sides said ENCRYPT_OFF: only the login packet travels inside TLS.
        channel_.switchForOnePacket(*tls_);
    }
    stage_ = Stage::Login;
}

void ClientSession::login(const PacketChannel::Message& message) {
    if (message.type != Login7) {
        log(message, "unexpected");
        stage_ = Stage::Closing;
        return;
    }
    const auto request = Login7Request::parse(message.payload);
    if (!request) {
        log(message, "malformed");
        stage_ = Stage::Closing;
        return;
    }
    if (strict_) {
        // A TDS 8.0 client reads every token as TDS 7.4 writes it, whatever it asked for.
        loginAckTds_ = TokenStreamBuilder::tds74;
    }
    std::string fields = "tds=" + hex32(request->tdsVersion) +
                         " user=" + WireLog::word(request->userName) +
                         " integrated=" + (request->integratedSecurity ? "1" : "0");
    if (message.encrypted && tls_) {
        fields += " protocol=" + tls_->protocolName();
    }
    if (!request->database.empty()) {
        fields += " database=" + WireLog::word(request->database);
    }
    if (!request->appName.empty()) {
        fields += " app=" + WireLog::word(request->appName);
    }

    TokenStreamBuilder out(options_.serverName, loginAckTds_);
    if (request->integratedSecurity) {
        requestedDatabase_ = request->database;
        integrated_ = std::make_unique<IntegratedLogin>(options_);
        integratedStep(message, fields + " ", integrated_->start(request->sspi));
        return;
    }
    if (request->userName.empty()) {
        log(message, fields + " result=refused");
        refuseLogin(out, 18452, 1,
                    "Login failed for user '(null)'. Reason: Not associated with a trusted SQL "
                    "Server connection.");
        return;
    }
    if (!equalsIgnoringCase(request->userName, options_.user) ||
        request->password != options_.password) {
        log(message, fields + " result=refused");
        refuseLogin(out, 18456, 1, "Login failed for user '" + request->userName + "'.");
        return;
    }
    if (!request->database.empty() && !equalsIgnoringCase(request->database, options_.database)) {
        log(message, fields + " result=refused");
        out.error(4060, 1, 11,
                  "Cannot open database requested in login '" + request->database +
                      "'. Login fails.");
        refuseLogin(out, 18456, 1, "Login failed for user '" + request->userName + "'.");
        return;
    }
    log(message, fields + " result=accepted");
    responder_.setLoginName(options_.user);
    acceptLogin(out);
}

void ClientSession::sspi(const PacketChannel::Message& message) {
    if (message.type != Sspi || !integrated_) {
        log(message, "unexpected");
        stage_ = Stage::Closing;
        return;
    }
    integratedStep(message, "", integrated_->next(message.payload));
}

void ClientSession::integratedStep(const PacketChannel::Message& message, const std::string& fields,
                                   IntegratedLogin::Step step) {
    log(message, fields + step.fields);
    TokenStreamBuilder out(options_.serverName, loginAckTds_);
    if (step.outcome == IntegratedLogin::Outcome::Refused) {
        integrated_.reset();
        // What SQL Server 2000 answers whenever the SSPI handshake fails, whatever the cause;
        // the cause goes only to its own log (here: the wire log's reason).
        refuseLogin(out, 18452, 1,
                    "Login failed for user '(null)'. Reason: Not associated with a trusted SQL "
                    "Server connection.");
        return;
    }
    if (!step.token.empty()) {
        out.sspi(step.token);
    }
    if (step.outcome == IntegratedLogin::Outcome::Continue) {
        stage_ = Stage::SspiReply;
        reply(out.take());
        return;
    }
    integrated_.reset();
    if (!requestedDatabase_.empty() && !equalsIgnoringCase(requestedDatabase_, options_.database)) {
        out.error(4060, 1, 11,
                  "Cannot open database requested in login '" + requestedDatabase_ +
                      "'. Login fails.");
        refuseLogin(out, 18456, 1, "Login failed for user '" + step.login + "'.");
        return;
    }
    responder_.setLoginName(step.login);
    // The last leg's token travels with the login acknowledgement.
    acceptLogin(out);
}

void ClientSession::refuseLogin(TokenStreamBuilder& out, std::uint32_t number, std::uint8_t state,
                                const std::string& text) {
    out.error(number, state, severityLogin, text);
    out.done(TokenStreamBuilder::DoneError, 0, 0);
    reply(out.take());
    // SQL Server ends the connection after a failed login.
    stage_ = Stage::Closing;
}

void ClientSession::acceptLogin(TokenStreamBuilder& out) {
    responder_.setTdsVersion(loginAckTds_);
    out.envChange(TokenStreamBuilder::Database, options_.database, options_.database);
    out.info(5701, 2, 0, "Changed database context to '" + options_.database + "'.");
    if (options_.loginAckTds != TokenStreamBuilder::tds70) {
        // Collations came with TDS 7.1.
        out.envChangeCollation(TokenStreamBuilder::defaultCollation());
    }
    out.envChange(TokenStreamBuilder::Language, options_.language, "");
    out.info(5703, 1, 0, "Changed language setting to " + options_.language + ".");
    const auto version = options_.versionNumbers();
    out.loginAck(loginAckTds_, "Microsoft SQL Server", version.major, version.minor, version.build);
    const std::string size = std::to_string(options_.packetSize);
    out.envChange(TokenStreamBuilder::PacketSize, size, size);
    out.done(TokenStreamBuilder::DoneFinal, 0, 0);
    reply(out.take());
    packetSize_ = options_.packetSize;
    if (stage_ != Stage::Closing) {
        stage_ = Stage::LoggedIn;
    }
}

void ClientSession::loggedIn(const PacketChannel::Message& message) {
    const bool hang =
        options_.fault == FaultMode::Frozen || options_.fault == FaultMode::HangAfterLogin;
    switch (message.type) {
    case SqlBatch: {
        const std::string text = BatchResponder::batchText(message.payload);
        const bool answers = !hang && options_.fault != FaultMode::DropAtBatch;
        bool cut = false;
        std::vector<std::uint8_t> answer;
        if (answers) {
            answer = responder_.answerBatch(text, &cut);
        }
        const bool overstated = answers && overstatesPackets(options_.fault);
        // The line names what the reply breaks, so it is written before the reply goes.
        log(message, cut || overstated ? brokenReplyField(options_.fault) : std::string(), &text);
        if (options_.fault == FaultMode::DropAtBatch) {
            stage_ = Stage::Closing;
            return;
        }
        if (answers) {
            reply(std::move(answer), overstated ? overstatedPacketBytes : 0);
        }
        return;
    }
    case Rpc:
        log(message, "name=" + WireLog::word(BatchResponder::rpcName(message.payload)));
        if (options_.fault == FaultMode::DropAtBatch) {
            stage_ = Stage::Closing;
            return;
        }
        if (!hang) {
            reply(responder_.answerRpc(message.payload));
        }
        return;
    case Attention: {
        log(message, "");
        if (options_.ignoresAttention()) {
            return;
        }
        TokenStreamBuilder out(options_.serverName, loginAckTds_);
        out.done(TokenStreamBuilder::DoneAttention, 0, 0);
        reply(out.take());
        return;
    }
    case TransactionManager: {
        log(message, "");
        if (!hang) {
            TokenStreamBuilder out(options_.serverName, loginAckTds_);
            out.done(TokenStreamBuilder::DoneFinal, 0, 0);
            reply(out.take());
        }
        return;
    }
    default:
        log(message, "unexpected");
        stage_ = Stage::Closing;
        return;
    }
}

} // namespace brellow::tdsserver
