#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

namespace brellow::trust {

// What a user is shown of a server's certificate before trusting it, and what a pin keeps.
struct CertificateFacts {
    std::string subject; // distinguished names as RFC 4514 writes them
    std::string issuer;
    std::time_t notBefore = 0;
    std::time_t notAfter = 0;
    // SHA-256 of the DER encoding, as upper-case hex pairs joined by colons.
    std::string sha256;
    std::string publicKeyAlgorithm; // "RSA", "ECDSA", ...
    unsigned keyBits = 0;
    std::string signatureAlgorithm; // "RSA-SHA256", ...
    std::string pem;                // the certificate itself

    // A digest as the sha256 field writes it: upper-case hex pairs joined by colons.
    static std::string hexPairs(const unsigned char* bytes, std::size_t size);
};

} // namespace brellow::trust
