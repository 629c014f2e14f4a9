#pragma once

#include "trust/CertificateFacts.h"
#include "trust/CertificateProblems.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace brellow::trust {

// Fetches a SQL Server's certificate without logging in, so that the user can be shown it
// before any login is sent: a PRELOGIN asking for encryption, the TLS handshake inside TDS
// packets as SQL Server expects it (or, for TDS 8.0, TLS first with ALPN "tds/8.0"), then
// the connection is closed. The certificate is validated as a driver would, for the name the
// user typed, against the system's trusted roots.
class CertificateProbe {
public:
    struct Request {
        std::string host;
        std::uint16_t port = 1433;
        // Every wait shares it; the probe gives up when it has run out.
        std::chrono::steady_clock::time_point deadline;
        bool tlsFirst = false;
        // An authority trusted beside the system's roots: the tests' throw-away one.
        std::string extraAuthorityFile;
    };

    struct Result {
        enum class Outcome {
            Certificate,   // the handshake went through: see certificate and problems
            CannotEncrypt, // the server answered PRELOGIN that it cannot encrypt
            Refused,       // the server ended the connection (TLS first to a server before 2022)
            Failed,        // no connection, or a handshake that failed: see error
            TimedOut,      // the deadline passed first
        };
        Outcome outcome = Outcome::Failed;
        CertificateFacts certificate;
        CertificateProblems problems;
        std::string protocol; // "TLS1.2", once there was a handshake
        std::string error;
    };

    static Result fetch(const Request& request);
};

} // namespace brellow::trust
