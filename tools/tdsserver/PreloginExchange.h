#pragma once

#include "ServerProfile.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace brellow::tdsserver {

// The PRELOGIN handshake: what the client offered, what the server answers, and what comes
// of the two ENCRYPTION values.
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

    // What the two sides' ENCRYPTION values lead to.
    enum class Protection {
        None,      // plain TDS throughout
        LoginOnly, // TLS handshake, the login packet inside TLS, then plain TDS
        Full,      // TLS handshake, then everything inside TLS
        Refused,   // the server answers and then ends the connection
    };
    struct Negotiation {
        std::uint8_t answer = encryptNotSupported;
        Protection protection = Protection::None;
    };

    // The server's answer by the protocol's table of client and server values. A client
    // that says nothing about encryption counts as ENCRYPT_OFF, the option's default.
    static Negotiation negotiate(EncryptionSetting server, std::optional<std::uint8_t> client);

    // Reads the option table; answers nothing when it is malformed.
    static std::optional<ClientOffer> parseClient(const std::vector<std::uint8_t>& payload);

    struct ServerAnswer {
        std::uint8_t major = 8;
        std::uint8_t minor = 0;
        std::uint16_t build = 2039;
        std::uint8_t encryption = encryptNotSupported;
        // SQL Server 2005 and later also answer the MARS option (off); 2000 does not.
        bool mars = false;
    };
    // VERSION, ENCRYPTION, INSTOPT (accepted) and, when asked, MARS.
    static std::vector<std::uint8_t> serverAnswer(const ServerAnswer& answer);
};

} // namespace brellow::tdsserver
