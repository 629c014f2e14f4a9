#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brellow::tdsserver {

// The server half of the first NTLM round trip: recognising the client's messages and
// writing the CHALLENGE. NtlmVerifier checks the answer.
class NtlmChallenge {
public:
    // True for an NTLMSSP NEGOTIATE (type 1) message.
    static bool isNegotiate(const std::vector<std::uint8_t>& token);
    // True for an NTLMSSP AUTHENTICATE (type 3) message.
    static bool isAuthenticate(const std::vector<std::uint8_t>& token);
    // The target information the CHALLENGE carries: the domain's and the computer's NetBIOS
    // names. An NTLMv2 answer repeats it inside its signed part.
    static std::vector<std::uint8_t> targetInfo(const std::string& domain,
                                                const std::string& computer);
    // A CHALLENGE (type 2) message naming the domain and computer, with the given nonce.
    static std::vector<std::uint8_t> challenge(const std::string& domain,
                                               const std::string& computer,
                                               const std::vector<std::uint8_t>& nonce);
};

} // namespace brellow::tdsserver
