#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace brellow::tdsserver {

// The PRELOGIN handshake: what the client offered, and the answer of a SQL Server 2000
// SP4 that has no certificate (encryption not supported).
class PreloginExchange {
public:
    static constexpr std::uint8_t encryptOff = 0x00;
    static constexpr std::uint8_t encryptOn = 0x01;
    static constexpr std::uint8_t encryptNotSupported = 0x02;
    static constexpr std::uint8_t encryptRequired = 0x03;

    struct ClientOffer {
        std::optional<std::uint8_t> encryption;
        std::optional<std::uint32_t> version; // major.minor.build as sent, big-endian
    };

    // Reads the option table; answers nothing when it is malformed.
    static std::optional<ClientOffer> parseClient(const std::vector<std::uint8_t>& payload);
    // VERSION 8.0.2039, ENCRYPTION not supported, INSTOPT accepted.
    static std::vector<std::uint8_t> serverAnswer();
};

} // namespace brellow::tdsserver
