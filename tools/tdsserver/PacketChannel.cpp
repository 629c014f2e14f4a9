#include "PacketChannel.h"

#include <algorithm>

namespace brellow::tdsserver {

namespace {

constexpr std::uint8_t statusEndOfMessage = 0x01;
constexpr std::uint8_t statusIgnore = 0x02;

} // namespace

PacketChannel::PacketChannel(Transport& transport, std::uint16_t spid)
    : transport_(&transport), spid_(spid) {}

void PacketChannel::switchTo(Transport& transport) {
    transport_ = &transport;
    oncePacket_ = nullptr;
}

void PacketChannel::switchForOnePacket(Transport& transport) {
    oncePacket_ = &transport;
}

bool PacketChannel::readExactly(Transport& transport, std::uint8_t* buffer, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const long n = transport.receive(buffer + done, size - done);
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

PacketChannel::ReadResult PacketChannel::read(Message& message) {
    message.payload.clear();
    message.encrypted = false;
    bool started = false;
    while (true) {
        Transport& transport = oncePacket_ != nullptr ? *oncePacket_ : *transport_;
        oncePacket_ = nullptr;
        std::uint8_t header[headerSize];
        if (!readExactly(transport, header, headerSize)) {
            return started ? ReadResult::Malformed : ReadResult::Closed;
        }
        const std::uint8_t type = header[0];
        const std::uint8_t status = header[1];
        const std::size_t length = static_cast<std::size_t>((header[2] << 8) | header[3]);
        if (length < headerSize) {
            return ReadResult::Malformed;
        }
        std::vector<std::uint8_t> body(length - headerSize);
        if (!readExactly(transport, body.data(), body.size())) {
            return ReadResult::Malformed;
        }
        message.encrypted = message.encrypted || transport.encrypted();
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
                          std::size_t packetSize, std::size_t overstatedBy) {
    const std::size_t chunk = std::max<std::size_t>(packetSize, 512) - headerSize;
    std::size_t offset = 0;
    std::uint8_t packetId = 1;
    std::vector<std::uint8_t> packet;
    do {
        const std::size_t n = std::min(chunk, payload.size() - offset);
        const bool last = offset + n == payload.size();
        const std::size_t length =
            std::min<std::size_t>(n + headerSize + (last ? overstatedBy : 0), 0xFFFF);
        packet.assign({type, static_cast<std::uint8_t>(last ? statusEndOfMessage : 0),
                       static_cast<std::uint8_t>(length >> 8),
                       static_cast<std::uint8_t>(length & 0xFF),
                       static_cast<std::uint8_t>(spid_ >> 8),
                       static_cast<std::uint8_t>(spid_ & 0xFF), packetId++, 0});
        packet.insert(packet.end(), payload.begin() + static_cast<std::ptrdiff_t>(offset),
                      payload.begin() + static_cast<std::ptrdiff_t>(offset + n));
        if (!transport_->sendAll(packet.data(), packet.size())) {
            return false;
        }
        offset += n;
    } while (offset < payload.size());
    return true;
}

} // namespace brellow::tdsserver
