#pragma once

#include "NtlmAuthenticateMessage.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace brellow::tdsserver {

// Checks an NTLMv2 answer to one CHALLENGE as the account's domain controller would: the
// account and its password, the proof over the server's nonce and the client's signed blob,
// the target information the blob repeats, and the blob's time stamp. NTLMv1 and LM answers
// are refused, as in a domain that accepts NTLMv2 only.
class NtlmVerifier {
public:
    struct Account {
        std::string domain;
        std::string user;
        std::string password;
    };
    struct Result {
        bool accepted = false;
        // Accepted: the account's name as the server knows it, DOMAIN\user.
        std::string login;
        // Refused: why.
        std::string reason;
    };
    // How far the client's clock may be from the server's.
    static constexpr std::chrono::hours maxClockDifference{36};

    // account: empty user when none is configured (every answer is refused then).
    NtlmVerifier(Account account, std::vector<std::uint8_t> serverChallenge,
                 std::vector<std::uint8_t> targetInfo);

    // now: the server's clock as a FILETIME (100 ns ticks since 1601), as in the answer.
    Result verify(const NtlmAuthenticateMessage& message, std::int64_t now) const;
    static std::int64_t fileTime(std::chrono::system_clock::time_point when);

private:
    Account account_;
    std::vector<std::uint8_t> serverChallenge_;
    std::vector<std::uint8_t> targetInfo_;
};

} // namespace brellow::tdsserver
