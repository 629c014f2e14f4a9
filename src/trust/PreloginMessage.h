#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace brellow::trust {

// The PRELOGIN a probe sends and what it reads of the answer: only encryption matters to it.
class PreloginMessage {
public:
    static constexpr std::uint8_t kEncryptOn = 1;
    static constexpr std::uint8_t kEncryptNotSupported = 2;

    // A client's PRELOGIN payload asking for encryption (VERSION, ENCRYPTION ON, the default
    // instance, THREADID, the terminator), as MS-TDS lays it out.
    static std::vector<std::uint8_t> request();
    // The ENCRYPTION option of a server's answer; nothing when the answer is malformed or
    // lacks it.
    static std::optional<std::uint8_t> encryption(const std::vector<std::uint8_t>& answer);
};

} // namespace brellow::trust
