#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace brellow::trust {

// A TCP connection whose every wait ends at one deadline, with TDS packets on top: what the
// probe needs before and around its TLS handshake. The socket itself is the system's
// (linux/, windows/); the packets are the same everywhere.
class ProbeSocket {
public:
    explicit ProbeSocket(std::chrono::steady_clock::time_point deadline) : deadline_(deadline) {}
    ~ProbeSocket();
    ProbeSocket(const ProbeSocket&) = delete;
    ProbeSocket& operator=(const ProbeSocket&) = delete;

    // The first address of host that accepts; false, with error saying why, when none does.
    bool connect(const std::string& host, std::uint16_t port, std::string& error);

    bool sendAll(const std::uint8_t* data, std::size_t size);
    // Some bytes: their count, 0 when the peer closed, -1 on an error or at the deadline.
    long receiveSome(std::uint8_t* buffer, std::size_t size);

    // One TDS message of the given type, in packets of at most 4096 bytes.
    bool sendMessage(std::uint8_t type, const std::vector<std::uint8_t>& payload);
    // The payload of the next whole TDS message; false when the peer closed, sent something
    // that is no TDS packet, or the deadline came first.
    bool receiveMessage(std::vector<std::uint8_t>& payload);

    bool timedOut() const { return timedOut_; }
    // Whether the peer closed the connection rather than answer.
    bool closedByPeer() const { return closedByPeer_; }

private:
    // Until the socket is ready for events (POLLIN, POLLOUT); false at the deadline or on an
    // error.
    bool wait(short events);
    bool receiveExactly(std::uint8_t* buffer, std::size_t size);

    std::chrono::steady_clock::time_point deadline_;
    // A file descriptor, or a Windows SOCKET; -1 when none is open.
    std::intptr_t fd_ = -1;
    std::uint8_t packetId_ = 1;
    bool timedOut_ = false;
    bool closedByPeer_ = false;
};

} // namespace brellow::trust
