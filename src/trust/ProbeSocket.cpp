// The TDS packets on the probe's socket: the same on every system.
#include "ProbeSocket.h"

#include <algorithm>

namespace brellow::trust {
namespace {

constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kPacketSize = 4096;
constexpr std::uint8_t kEndOfMessage = 0x01;

} // namespace

bool ProbeSocket::receiveExactly(std::uint8_t* buffer, std::size_t size) {
    std::size_t got = 0;
    while (got < size) {
        const long n = receiveSome(buffer + got, size - got);
        if (n <= 0) {
            return false;
        }
        got += static_cast<std::size_t>(n);
    }
    return true;
}

bool ProbeSocket::sendMessage(std::uint8_t type, const std::vector<std::uint8_t>& payload) {
    std::size_t at = 0;
    do {
        const std::size_t chunk = std::min(payload.size() - at, kPacketSize - kHeaderSize);
        const std::size_t length = chunk + kHeaderSize;
        const bool last = at + chunk == payload.size();
        std::vector<std::uint8_t> packet{type,
                                         static_cast<std::uint8_t>(last ? kEndOfMessage : 0),
                                         static_cast<std::uint8_t>(length >> 8),
                                         static_cast<std::uint8_t>(length & 0xFF),
                                         0,
                                         0,
                                         packetId_++,
                                         0};
        packet.insert(packet.end(), payload.begin() + static_cast<long>(at),
                      payload.begin() + static_cast<long>(at + chunk));
        if (!sendAll(packet.data(), packet.size())) {
            return false;
        }
        at += chunk;
    } while (at < payload.size());
    return true;
}

bool ProbeSocket::receiveMessage(std::vector<std::uint8_t>& payload) {
    payload.clear();
    while (true) {
        std::uint8_t header[kHeaderSize];
        if (!receiveExactly(header, sizeof header)) {
            return false;
        }
        const std::size_t length = (std::size_t{header[2]} << 8) | header[3];
        if (length < kHeaderSize) {
            return false;
        }
        const std::size_t at = payload.size();
        payload.resize(at + length - kHeaderSize);
        if (!receiveExactly(payload.data() + at, length - kHeaderSize)) {
            return false;
        }
        if ((header[1] & kEndOfMessage) != 0) {
            return true;
        }
    }
}

} // namespace brellow::trust
