#pragma once

#include "OdbcApi.h"
#include "ado/PropertyCollection.h"
#include "connstring/ConnectionSettings.h"
#include "odbc/CertificateCheck.h"

#include <string>

namespace brellow::odbc {

// Gathers a freshly opened connection's properties, once, from the connection string, the
// login, the driver and the component's own settings. Reads only what the driver already
// holds, so nothing goes to the server. The password is never among them.
class ConnectionPropertyReader {
public:
    // certificate: how the server's certificate was vouched for before the login.
    static void read(const connstring::ConnectionSettings& settings, SQLHDBC connection,
                     const std::string& driver, const CertificateCheck& certificate,
                     ado::PropertyCollection& into);
};

} // namespace brellow::odbc
