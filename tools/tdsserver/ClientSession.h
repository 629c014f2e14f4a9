#pragma once

#include "BatchResponder.h"
#include "IntegratedLogin.h"
#include "Login7Request.h"
#include "PacketChannel.h"
#include "PreloginExchange.h"
#include "ServerCertificate.h"
#include "ServerOptions.h"
#include "SocketTransport.h"
#include "TlsServerSession.h"
#include "WireLog.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace brellow::tdsserver {

// One client connection from the first PRELOGIN to its end: handshake (with TLS when the
// two sides agree on it), login, then batches, following the configured fault mode.
class ClientSession {
public:
    // certificate: what TLS handshakes show; may be null when the server never encrypts.
    ClientSession(int socket, std::uint64_t number, const ServerOptions& options, WireLog& log,
                  const ServerCertificate* certificate);

    // Serves the connection until the client leaves, a protocol error, or shutdown().
    void run();

private:
    enum class Stage { Prelogin, Login, SspiReply, LoggedIn, Closing };

    // TDS 8.0: where the client opens with a TLS handshake, runs it and switches the channel
    // into TLS, where the server speaks TDS 8.0. False when the connection is to end.
    bool openStrict();
    void handle(const PacketChannel::Message& message);
    void prelogin(const PacketChannel::Message& message);
    void startTls(PreloginExchange::Protection protection);
    void login(const PacketChannel::Message& message);
    void sspi(const PacketChannel::Message& message);
    void integratedStep(const PacketChannel::Message& message, const std::string& fields,
                        IntegratedLogin::Step step);
    void loggedIn(const PacketChannel::Message& message);
    void acceptLogin(TokenStreamBuilder& out);
    void refuseLogin(TokenStreamBuilder& out, std::uint32_t number, std::uint8_t state,
                     const std::string& text);
    void reply(std::vector<std::uint8_t> tokens, std::size_t overstatedBy = 0);
    void log(const PacketChannel::Message& message, const std::string& fields,
             const std::string* text = nullptr);

    SocketTransport socket_;
    PacketChannel channel_;
    const ServerCertificate* certificate_;
    std::unique_ptr<TlsServerSession> tls_;
    std::uint64_t number_;
    const ServerOptions& options_;
    WireLog& log_;
    BatchResponder responder_;
    std::unique_ptr<IntegratedLogin> integrated_;
    std::string requestedDatabase_;
    Stage stage_ = Stage::Prelogin;
    // Inside a TDS 8.0 session: PRELOGIN comes encrypted and brings no handshake.
    bool strict_ = false;
    // The TDS version the login acknowledges: the profile's, or 7.4 in a TDS 8.0 session.
    std::uint32_t loginAckTds_;
    std::size_t packetSize_ = 4096;
};

} // namespace brellow::tdsserver
