#include "TlsServerSession.h"

#include <cerrno>
#include <cstring>

namespace brellow::tdsserver {

namespace {

constexpr std::uint8_t typePrelogin = 0x12;
// SQL Server splits its handshake messages at 4096 bytes, whatever packet size comes later.
constexpr std::size_t handshakePacketSize = 4096;

TlsServerSession& sessionOf(gnutls_transport_ptr_t self) {
    return *static_cast<TlsServerSession*>(self);
}

} // namespace

TlsServerSession::TlsServerSession(SocketTransport& socket, PacketChannel& channel,
                                   const ServerCertificate& certificate,
                                   const std::string& priority, Framing framing)
    : socket_(socket), channel_(channel) {
    if (gnutls_init(&session_, GNUTLS_SERVER) < 0) {
        session_ = nullptr;
        return;
    }
    const char* errorAt = nullptr;
    if (gnutls_priority_set_direct(session_, priority.c_str(), &errorAt) < 0 ||
        gnutls_credentials_set(session_, GNUTLS_CRD_CERTIFICATE, certificate.credentials()) < 0) {
        gnutls_deinit(session_);
        session_ = nullptr;
        return;
    }
    gnutls_certificate_server_set_request(session_, GNUTLS_CERT_IGNORE);
    gnutls_transport_set_ptr(session_, this);
    if (framing == Framing::TlsFirst) {
        static const unsigned char tds8[] = {'t', 'd', 's', '/', '8', '.', '0'};
        const gnutls_datum_t protocol{const_cast<unsigned char*>(tds8), sizeof tds8};
        gnutls_alpn_set_protocols(session_, &protocol, 1, 0);
        gnutls_transport_set_pull_function(session_, pullFromSocket);
        gnutls_transport_set_push_function(session_, pushToSocket);
    } else {
        gnutls_transport_set_pull_function(session_, pullInsidePrelogin);
        gnutls_transport_set_push_function(session_, pushInsidePrelogin);
    }
}

TlsServerSession::~TlsServerSession() {
    if (session_ != nullptr) {
        gnutls_deinit(session_);
    }
}

bool TlsServerSession::handshake(std::string& error) {
    if (session_ == nullptr) {
        error = "the TLS session could not be set up";
        return false;
    }
    int rc = 0;
    do {
        rc = gnutls_handshake(session_);
    } while (rc < 0 && gnutls_error_is_fatal(rc) == 0);
    if (rc < 0) {
        error = broken_ ? "broken off on purpose" : gnutls_strerror(rc);
        return false;
    }
    // The last flight (ChangeCipherSpec and Finished) is still waiting to go out.
    if (!flushFlight()) {
        error = "the client left before the handshake's end";
        return false;
    }
    gnutls_transport_set_pull_function(session_, pullFromSocket);
    gnutls_transport_set_push_function(session_, pushToSocket);
    return true;
}

std::string TlsServerSession::protocolName() const {
    const char* name = session_ != nullptr
                           ? gnutls_protocol_get_name(gnutls_protocol_get_version(session_))
                           : nullptr;
    return name != nullptr ? name : "";
}

bool TlsServerSession::flushFlight() {
    if (outgoing_.empty()) {
        return true;
    }
    std::vector<std::uint8_t> flight;
    flight.swap(outgoing_);
    if (breakFirstFlight_) {
        flight.resize(flight.size() / 2);
        broken_ = true;
        channel_.write(typePrelogin, flight, handshakePacketSize);
        return false;
    }
    return channel_.write(typePrelogin, flight, handshakePacketSize);
}

std::string TlsServerSession::applicationProtocol() const {
    gnutls_datum_t protocol{};
    if (session_ == nullptr || gnutls_alpn_get_selected_protocol(session_, &protocol) < 0) {
        return {};
    }
    return std::string(reinterpret_cast<const char*>(protocol.data), protocol.size);
}

ssize_t TlsServerSession::pullInsidePrelogin(gnutls_transport_ptr_t self, void* data, size_t size) {
    TlsServerSession& tls = sessionOf(self);
    // The client answers only once it has the whole of our flight.
    if (!tls.flushFlight()) {
        gnutls_transport_set_errno(tls.session_, EIO);
        return -1;
    }
    while (tls.incomingUsed_ >= tls.incoming_.size()) {
        PacketChannel::Message message;
        const auto result = tls.channel_.read(message);
        if (result == PacketChannel::ReadResult::Closed) {
            return 0;
        }
        if (result != PacketChannel::ReadResult::Message || message.type != typePrelogin) {
            gnutls_transport_set_errno(tls.session_, EIO);
            return -1;
        }
        if (tls.observer_) {
            tls.observer_(message);
        }
        tls.incoming_ = std::move(message.payload);
        tls.incomingUsed_ = 0;
    }
    const std::size_t n = std::min(size, tls.incoming_.size() - tls.incomingUsed_);
    std::memcpy(data, tls.incoming_.data() + tls.incomingUsed_, n);
    tls.incomingUsed_ += n;
    return static_cast<ssize_t>(n);
}

ssize_t TlsServerSession::pushInsidePrelogin(gnutls_transport_ptr_t self, const void* data,
                                             size_t size) {
    TlsServerSession& tls = sessionOf(self);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    tls.outgoing_.insert(tls.outgoing_.end(), bytes, bytes + size);
    return static_cast<ssize_t>(size);
}

ssize_t TlsServerSession::pullFromSocket(gnutls_transport_ptr_t self, void* data, size_t size) {
    TlsServerSession& tls = sessionOf(self);
    const long n = tls.socket_.receive(static_cast<std::uint8_t*>(data), size);
    if (n < 0) {
        gnutls_transport_set_errno(tls.session_, EIO);
        return -1;
    }
    return n;
}

ssize_t TlsServerSession::pushToSocket(gnutls_transport_ptr_t self, const void* data, size_t size) {
    TlsServerSession& tls = sessionOf(self);
    if (!tls.socket_.sendAll(static_cast<const std::uint8_t*>(data), size)) {
        gnutls_transport_set_errno(tls.session_, EPIPE);
        return -1;
    }
    return static_cast<ssize_t>(size);
}

long TlsServerSession::receive(std::uint8_t* buffer, std::size_t size) {
    while (true) {
        const ssize_t n = gnutls_record_recv(session_, buffer, size);
        if (n == GNUTLS_E_AGAIN || n == GNUTLS_E_INTERRUPTED) {
            continue;
        }
        // A peer that closes without a close_notify simply ends the connection.
        return n >= 0 ? static_cast<long>(n) : -1;
    }
}

bool TlsServerSession::sendAll(const std::uint8_t* data, std::size_t size) {
    std::size_t sent = 0;
    while (sent < size) {
        const ssize_t n = gnutls_record_send(session_, data + sent, size - sent);
        if (n == GNUTLS_E_AGAIN || n == GNUTLS_E_INTERRUPTED) {
            continue;
        }
        if (n < 0) {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace brellow::tdsserver
