#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace brellow::tdsserver {

// Reads client messages from a connected socket, reassembling TDS packets, and writes
// replies split into packets. Does not own the socket.
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
    };
    enum class ReadResult { Message, Closed, Malformed };

    PacketChannel(int socket, std::uint16_t spid);

    // Blocks until a whole message, the end of the connection or a malformed packet.
    // An ATTENTION packet in the middle of another message ends that message unread.
    ReadResult read(Message& message);
    // False when the peer is gone.
    bool write(std::uint8_t type, const std::vector<std::uint8_t>& payload, std::size_t packetSize);
    // Ends the connection both ways (the owner closes the descriptor later).
    void shutdown();

private:
    bool readExactly(std::uint8_t* buffer, std::size_t size);

    int socket_;
    std::uint16_t spid_;
};

} // namespace brellow::tdsserver
