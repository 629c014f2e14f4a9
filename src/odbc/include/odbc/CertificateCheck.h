#pragma once

#include <string>

namespace brellow::odbc {

// How the open connection's server certificate was vouched for, for the connection's
// properties.
struct CertificateCheck {
    enum class Kind {
        NotChecked, // no check before the login: the driver's own way, as before
        Validated,  // a chain to a trusted root, for the server's name
        Pinned,     // the certificate the user trusted for this server
        // The same, outside its dates: compared just before the login, which the driver only
        // encrypts (it refuses such a certificate even as the one trusted).
        PinnedOutOfDate,
        Plaintext, // the server cannot encrypt, and the user agreed (or no password crossed)
    };
    Kind kind = Kind::NotChecked;
    std::string sha256;
    // Let through from what the run knew, with no connection of the gate's own.
    bool fromMemory = false;
    // The driver cannot be held to it: the gate compared it just before the login, which the
    // driver only encrypts.
    bool comparedByGateOnly = false;
};

} // namespace brellow::odbc
