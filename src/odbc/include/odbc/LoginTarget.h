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
};

} // namespace brellow::odbc
