#include "PacketChannel.h"

#include <algorithm>
#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace brellow::tdsserver {

namespace {

constexpr std::uint8_t statusEndOfMessage = 0x01;
constexpr std::uint8_t statusIgnore = 0x02;

} // namespace

PacketChannel::PacketChannel(int socket, std::uint16_t spid) : socket_(socket), spid_(spid) {}

bool PacketChannel::readExactly(std::uint8_t* buffer, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::recv(socket_, buffer + done, size - done, 0);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return false;
        }
    }
    return true;
}

PacketChannel::ReadResult PacketChannel::read(Message& message) {
    message.payload.clear();
    bool started = false;
    while (true) {
        std::uint8_t header[headerSize];
        if (!readExactly(header, headerSize)) {
            return started ? ReadResult::Malformed : ReadResult::Closed;
        }
        const std::uint8_t type = header[0];
        const std::uint8_t status = header[1];
        const std::size_t length = static_cast<std::size_t>((header[2] << 8) | header[3]);
        if (length < headerSize) {
            return ReadResult::Malformed;
        }
        std::vector<std::uint8_t> body(length - headerSize);
        if (!readExactly(body.data(), body.size())) {
            return ReadResult::Malformed;
        }
        if (type == typeAttention && started && message.type != typeAttention) {
            // The client gave up sending its request; what came of it is discarded.
            message.payload.clear();
            started = false;
        }
        if (started && type != message.type) {
            return ReadResult::Malformed;
        }
        message.type = type;
        started = true;
        if (message.payload.size() + body.size() > maxMessageSize) {
            return ReadResult::Malformed;
        }
        message.payload.insert(message.payload.end(), body.begin(), body.end());
        if ((status & statusEndOfMessage) != 0) {
            if ((status & statusIgnore) != 0) {
                // The client cancelled this message itself: wait for the next one.
                message.payload.clear();
                started = false;
                continue;
            }
            return ReadResult::Message;
        }
    }
}

bool PacketChannel::write(std::uint8_t type, const std::vector<std::uint8_t>& payload,
                          std::size_t packetSize) {
    const std::size_t chunk = std::max<std::size_t>(packetSize, 512) - headerSize;
    std::size_t offset = 0;
    std::uint8_t packetId = 1;
    std::vector<std::uint8_t> packet;
    do {
        const std::size_t n = std::min(chunk, payload.size() - offset);
        const bool last = offset + n == payload.size();
        const std::size_t length = n + headerSize;
        packet.assign({type, static_cast<std::uint8_t>(last ? statusEndOfMessage : 0),
                       static_cast<std::uint8_t>(length >> 8),
                       static_cast<std::uint8_t>(length & 0xFF),
                       static_cast<std::uint8_t>(spid_ >> 8),
                       static_cast<std::uint8_t>(spid_ & 0xFF), packetId++, 0});
        packet.insert(packet.end(), payload.begin() + static_cast<std::ptrdiff_t>(offset),
                      payload.begin() + static_cast<std::ptrdiff_t>(offset + n));
        std::size_t sent = 0;
        while (sent < packet.size()) {
            const ssize_t w =
                ::send(socket_, packet.data() + sent, packet.size() - sent, MSG_NOSIGNAL);
            if (w > 0) {
                sent += static_cast<std::size_t>(w);
            } else if (w < 0 && errno == EINTR) {
                continue;
            } else {
                return false;
            }
        }
        offset += n;
    } while (offset < payload.size());
    return true;
}

void PacketChannel::shutdown() {
    ::shutdown(socket_, SHUT_RDWR);
}

} // namespace brellow::tdsserver
