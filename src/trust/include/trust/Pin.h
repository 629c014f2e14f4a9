#pragma once

#include <ctime>
#include <string>

namespace brellow::trust {

// A server's certificate that the user chose to trust although it does not validate: kept
// for the run, and written to the pins file only where the user asked to remember it.
struct Pin {
    // Which server: ServerKey's text.
    std::string server;
    // SHA-256 of the certificate, as CertificateFacts writes it.
    std::string sha256;
    // The certificate itself (PEM), which the driver is given to validate against.
    std::string pem;
    std::time_t trustedAt = 0;
    // Whether the server spoke TDS 8.0 (TLS first): a later TDS 7.x answer is a downgrade.
    bool speaksStrict = false;
};

} // namespace brellow::trust
