#pragma once

#include "trust/CertificateFacts.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace brellow::trust {

// What is wrong with a certificate, found by validating it against the system's trusted roots
// (and any authority the caller adds) for the name the user typed.
class CertificateProblems {
public:
    enum Problem : std::uint32_t {
        UnknownAuthority = 1u << 0, // self-signed, or no chain to a trusted root
        NameMismatch = 1u << 1,     // the server's name is not in it
        Expired = 1u << 2,
        NotYetValid = 1u << 3,
        WeakKey = 1u << 4,       // an RSA key under 2048 bits: old servers' own, warned of
        Sha1Signature = 1u << 5, // likewise
        KeyTooSmall = 1u << 6,   // an RSA key under 1024 bits: refused outright
        Md5Signature = 1u << 7,  // refused outright
        Invalid = 1u << 8,       // anything else validation rejected (a broken signature)
    };

    CertificateProblems() = default;
    explicit CertificateProblems(std::uint32_t bits) : bits_(bits) {}

    bool none() const { return bits_ == 0; }
    bool has(Problem problem) const { return (bits_ & problem) != 0; }
    void add(Problem problem) { bits_ |= problem; }
    std::uint32_t bits() const { return bits_; }

    // Adds what is wrong with the certificate itself, whoever issued it and whatever it is
    // made out to: its dates (against `now`), an RSA key's length, and its signature's digest
    // (by the algorithm's name, "RSA-SHA1", "ECDSA-SHA1", "RSA-MD5", as both probes write it).
    void addOwnProblems(const CertificateFacts& facts, std::time_t now);

    // Whether the certificate validates: nothing wrong but what is only warned of.
    bool validates() const { return (bits_ & ~(WeakKey | Sha1Signature)) == 0; }
    // Whether no choice of the user's may make it trusted.
    bool refused() const { return (bits_ & (KeyTooSmall | Md5Signature)) != 0; }
    // One sentence each, in the order above, for the question that shows the certificate.
    std::vector<std::string> sentences() const;

private:
    std::uint32_t bits_ = 0;
};

} // namespace brellow::trust
