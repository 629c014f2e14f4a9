#include "ClientSession.h"

#include "NtlmChallenge.h"
#include "PreloginExchange.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <random>

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

// Values in the wire log are single words: spaces and controls are escaped.
std::string field(const std::string& value) {
    std::string out;
    for (const char c : WireLog::escape(value)) {
        if (c == ' ') {
            out += "\\x20";
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

ClientSession::ClientSession(int socket, std::uint64_t number, const ServerOptions& options,
                             WireLog& log)
    : channel_(socket, static_cast<std::uint16_t>(50 + number % 30000)), number_(number),
      options_(options), log_(log), responder_(options) {}

void ClientSession::run() {
    PacketChannel::Message message;
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
    channel_.shutdown();
}

void ClientSession::log(const PacketChannel::Message& message, const std::string& fields,
                        const std::string* text) {
    log_.message(number_, WireLog::typeName(message.type), message.payload.size(), fields,
                 text != nullptr ? *text : std::string_view{}, text != nullptr);
}

void ClientSession::reply(std::vector<std::uint8_t> tokens) {
    if (!channel_.write(PacketChannel::typeReply, tokens, packetSize_)) {
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
    const auto offer = PreloginExchange::parseClient(message.payload);
    if (!offer) {
        log(message, "malformed");
        stage_ = Stage::Closing;
        return;
    }
    std::string fields;
    if (offer->encryption) {
        fields = "encryption=" + std::to_string(*offer->encryption);
    }
    log(message, fields);
    if (offer->encryption == PreloginExchange::encryptRequired) {
        // SQL Server 2000 without a certificate cannot serve a client that insists.
        stage_ = Stage::Closing;
        return;
    }
    reply(PreloginExchange::serverAnswer());
    if (stage_ != Stage::Closing) {
        stage_ = Stage::Login;
    }
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
    std::string fields = "tds=" + hex32(request->tdsVersion) + " user=" + field(request->userName) +
                         " integrated=" + (request->integratedSecurity ? "1" : "0");
    if (!request->database.empty()) {
        fields += " database=" + field(request->database);
    }
    if (!request->appName.empty()) {
        fields += " app=" + field(request->appName);
    }

    TokenStreamBuilder out(options_.serverName);
    if (request->integratedSecurity) {
        if (NtlmChallenge::isNegotiate(request->sspi)) {
            std::random_device random;
            std::vector<std::uint8_t> nonce(8);
            for (auto& byte : nonce) {
                byte = static_cast<std::uint8_t>(random());
            }
            out.sspi(NtlmChallenge::challenge("BRELLOW", options_.serverName, nonce));
            log(message, fields + " result=challenge");
            stage_ = Stage::SspiReply;
            reply(out.take());
            return;
        }
        log(message, fields + " result=refused");
        refuseLogin(out, 18452, 1,
                    "Login failed for user '(null)'. Reason: Not associated with a trusted SQL "
                    "Server connection.");
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
    acceptLogin(out);
}

void ClientSession::sspi(const PacketChannel::Message& message) {
    if (message.type != Sspi) {
        log(message, "unexpected");
        stage_ = Stage::Closing;
        return;
    }
    // The NTLM answer cannot be verified here (see NtlmChallenge): refuse as a server
    // that does not trust the client's domain would.
    log(message, std::string("ntlm=") +
                     (NtlmChallenge::isAuthenticate(message.payload) ? "authenticate" : "other") +
                     " result=refused");
    TokenStreamBuilder out(options_.serverName);
    refuseLogin(out, 18452, 1,
                "Login failed for user '(null)'. Reason: Not associated with a trusted SQL "
                "Server connection.");
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
    out.envChange(TokenStreamBuilder::Database, options_.database, options_.database);
    out.info(5701, 2, 0, "Changed database context to '" + options_.database + "'.");
    out.envChangeCollation(TokenStreamBuilder::defaultCollation());
    out.envChange(TokenStreamBuilder::Language, options_.language, "");
    out.info(5703, 1, 0, "Changed language setting to " + options_.language + ".");
    out.loginAck(TokenStreamBuilder::tds71, "Microsoft SQL Server", 8, 0, 2039);
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
    const bool frozen = options_.fault == FaultMode::Frozen;
    const bool hang = frozen || options_.fault == FaultMode::HangAfterLogin;
    switch (message.type) {
    case SqlBatch: {
        const std::string text = BatchResponder::batchText(message.payload);
        log(message, "", &text);
        if (options_.fault == FaultMode::DropAtBatch) {
            stage_ = Stage::Closing;
            return;
        }
        if (!hang) {
            reply(responder_.answerBatch(text));
        }
        return;
    }
    case Rpc:
        log(message, "name=" + field(BatchResponder::rpcName(message.payload)));
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
        if (frozen) {
            return;
        }
        TokenStreamBuilder out(options_.serverName);
        out.done(TokenStreamBuilder::DoneAttention, 0, 0);
        reply(out.take());
        return;
    }
    case TransactionManager: {
        log(message, "");
        if (!hang) {
            TokenStreamBuilder out(options_.serverName);
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
