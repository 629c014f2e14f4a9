#pragma once

#include "Transport.h"

#include <cstdio>
#include <optional>
#include <string>

namespace brellow::tdsserver {

// The connected socket itself. Every byte received can be copied to a raw record, so that a
// test can see exactly what crossed the wire (and that a password never did in clear).
// Does not own the socket.
class SocketTransport final : public Transport {
public:
    explicit SocketTransport(int socket) : socket_(socket) {}
    ~SocketTransport() override;
    SocketTransport(const SocketTransport&) = delete;
    SocketTransport& operator=(const SocketTransport&) = delete;

    // Starts the raw record of received bytes (created or truncated). False when it cannot.
    bool recordTo(const std::string& path);

    // The first byte waiting to be received, left waiting; nothing when the peer has gone.
    std::optional<std::uint8_t> peekByte();

    long receive(std::uint8_t* buffer, std::size_t size) override;
    bool sendAll(const std::uint8_t* data, std::size_t size) override;
    bool encrypted() const override { return false; }

    // Ends the connection both ways (the owner closes the descriptor later).
    void shutdown();

private:
    int socket_;
    std::FILE* record_ = nullptr;
};

} // namespace brellow::tdsserver
