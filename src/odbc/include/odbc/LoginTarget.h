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
};

} // namespace brellow::odbc
