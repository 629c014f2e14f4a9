#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brellow::tdsserver {

// The server half of the first NTLM round trip. The server cannot check the client's
// answer (that needs the account's NT hash), so an NTLM login is always refused after the
// challenge; this still lets clients exercise their integrated-security path.
class NtlmChallenge {
public:
    // True for an NTLMSSP NEGOTIATE (type 1) message.
    static bool isNegotiate(const std::vector<std::uint8_t>& token);
    // True for an NTLMSSP AUTHENTICATE (type 3) message.
    static bool isAuthenticate(const std::vector<std::uint8_t>& token);
    // A CHALLENGE (type 2) message naming the domain and computer, with the given nonce.
    static std::vector<std::uint8_t> challenge(const std::string& domain,
                                               const std::string& computer,
                                               const std::vector<std::uint8_t>& nonce);
};

} // namespace brellow::tdsserver
