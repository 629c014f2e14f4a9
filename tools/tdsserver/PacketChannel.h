#pragma once

#include "Transport.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace brellow::tdsserver {

// Reads client messages from a transport, reassembling TDS packets, and writes replies split
// into packets. The transport can change under it: after PRELOGIN the packets travel inside
// TLS, for the whole connection or for the login packet only. Owns no transport.
class PacketChannel {
public:
    static constexpr std::uint8_t typeReply = 0x04;
    static constexpr std::uint8_t typeAttention = 0x06;
    static constexpr std::size_t headerSize = 8;
    // Larger messages are refused: nothing the server answers needs more.
    static constexpr std::size_t maxMessageSize = 4 * 1024 * 1024;

    struct Message {
        std::uint8_t type = 0;
        std::vector<std::uint8_t> payload;
        // Whether its packets arrived inside TLS.
        bool encrypted = false;
    };
    enum class ReadResult { Message, Closed, Malformed };

    PacketChannel(Transport& transport, std::uint16_t spid);

    // From now on packets travel over this transport, both ways.
    void switchTo(Transport& transport);
    // The next packet read comes over this transport; then the current one serves again.
    // That is how a login that alone is encrypted travels.
    void switchForOnePacket(Transport& transport);

    // Blocks until a whole message, the end of the connection or a malformed packet.
    // An ATTENTION packet in the middle of another message ends that message unread.
    ReadResult read(Message& message);
    // False when the peer is gone. With `overstatedBy`, the last packet's header counts that
    // many bytes more than the packet carries, so the peer waits for bytes that never come.
    bool write(std::uint8_t type, const std::vector<std::uint8_t>& payload, std::size_t packetSize,
               std::size_t overstatedBy = 0);

private:
    bool readExactly(Transport& transport, std::uint8_t* buffer, std::size_t size);

    Transport* transport_;
    Transport* oncePacket_ = nullptr;
    std::uint16_t spid_;
};

} // namespace brellow::tdsserver
