#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brellow::tdsserver {

// The fields of an NTLMSSP AUTHENTICATE (type 3) message a server checks.
struct NtlmAuthenticateMessage {
    std::uint32_t flags = 0;
    std::vector<std::uint8_t> lmResponse;
    std::vector<std::uint8_t> ntResponse;
    std::string domain;
    std::string user;
    std::string workstation;

    // Answers nothing for another message type, or when a field lies outside the message.
    static std::optional<NtlmAuthenticateMessage> parse(const std::vector<std::uint8_t>& token);
};

} // namespace brellow::tdsserver
