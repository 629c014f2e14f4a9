#pragma once

#include "PacketChannel.h"
#include "ServerCertificate.h"
#include "SocketTransport.h"
#include "Transport.h"

#include <functional>
#include <gnutls/gnutls.h>
#include <string>
#include <vector>

namespace brellow::tdsserver {

// The server's side of TLS inside TDS. The handshake travels as the payload of PRELOGIN
// messages: each flight the client sends arrives as one PRELOGIN message, and the server's
// answer to it goes back as one PRELOGIN message (in packets of type 0x12, as SQL Server
// sends them). Once the handshake is done, TLS records carry whole TDS packets straight
// over the socket, and the session serves as the channel's transport.
//
// TDS 8.0 turns this round: the handshake comes first, straight over the socket, with ALPN
// "tds/8.0", and every TDS message after it travels inside TLS.
class TlsServerSession final : public Transport {
public:
    enum class Framing { InsidePrelogin, TlsFirst };

    // Called with every handshake message the client sends, for the wire log.
    using HandshakeObserver = std::function<void(const PacketChannel::Message&)>;

    // priority: a GnuTLS priority string naming the protocol versions offered.
    TlsServerSession(SocketTransport& socket, PacketChannel& channel,
                     const ServerCertificate& certificate, const std::string& priority,
                     Framing framing = Framing::InsidePrelogin);
    ~TlsServerSession() override;
    TlsServerSession(const TlsServerSession&) = delete;
    TlsServerSession& operator=(const TlsServerSession&) = delete;

    // Sends only the first half of the server's first flight and then gives up, the way a
    // server that breaks off in the middle of the handshake leaves a client waiting.
    void breakFirstFlight() { breakFirstFlight_ = true; }
    void observeHandshake(HandshakeObserver observer) { observer_ = std::move(observer); }

    // Runs the handshake to its end. False, with error saying why, when it failed.
    bool handshake(std::string& error);
    // "TLS1.2" and the like, once the handshake is done.
    std::string protocolName() const;
    // The application protocol the two agreed on through ALPN ("tds/8.0"); empty for none.
    std::string applicationProtocol() const;

    long receive(std::uint8_t* buffer, std::size_t size) override;
    bool sendAll(const std::uint8_t* data, std::size_t size) override;
    bool encrypted() const override { return true; }

private:
    static ssize_t pullInsidePrelogin(gnutls_transport_ptr_t self, void* data, size_t size);
    static ssize_t pushInsidePrelogin(gnutls_transport_ptr_t self, const void* data, size_t size);
    static ssize_t pullFromSocket(gnutls_transport_ptr_t self, void* data, size_t size);
    static ssize_t pushToSocket(gnutls_transport_ptr_t self, const void* data, size_t size);
    // Sends what the handshake wrote since the client's last flight as one PRELOGIN message.
    bool flushFlight();

    SocketTransport& socket_;
    PacketChannel& channel_;
    gnutls_session_t session_ = nullptr;
    HandshakeObserver observer_;
    std::vector<std::uint8_t> outgoing_;
    std::vector<std::uint8_t> incoming_;
    std::size_t incomingUsed_ = 0;
    bool breakFirstFlight_ = false;
    bool broken_ = false;
};

} // namespace brellow::tdsserver
