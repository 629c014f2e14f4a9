#pragma once

#include <cstdint>
#include <string>

namespace brellow::odbc {

// Where the driver is to log in, once the component has done what it does before the login.
struct LoginTarget {
    std::string host;
    // 0: the driver looks the named instance up itself.
    std::uint16_t port = 0;
    // The named instance, when the driver is to look it up.
    std::string instance;
    // Under integrated security, the Kerberos name the driver is to ask for (empty: the
    // driver's own choice).
    std::string servicePrincipal;
    // Where the component made the driver a configuration of its own for this login (a
    // freetds.conf section that validates the server's certificate), the section's name: the
    // server, its port and the encryption are then the section's.
    std::string configuredSection;

    // How the driver is to check the server's certificate, where the connection string says
    // it (Windows' drivers): what the trust gate let through.
    struct CertificateDemand {
        enum class Mode {
            AsBefore,    // no gate: encrypt when the server can, and trust any certificate
            Validate,    // a chain to the system's roots, for the server's name
            MatchFile,   // exactly the certificate in `file`
            EncryptOnly, // encrypt without checking: the gate compared it just before
        };
        Mode mode = Mode::AsBefore;
        bool strict = false; // TDS 8.0
        std::string file;
    };
    CertificateDemand certificate;
};

} // namespace brellow::odbc
