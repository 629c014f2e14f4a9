#pragma once

#include "db/ConnectionSettings.h"
#include "db/OdbcApi.h"
#include "db/PropertyCollection.h"

#include <string>

namespace brellow::db {

// Gathers a freshly opened connection's properties, once, from the connection string, the
// login, the driver and the component's own settings. Reads only what the driver already
// holds, so nothing goes to the server. The password is never among them.
class ConnectionPropertyReader {
public:
    static void Read(const ConnectionSettings& settings, SQLHDBC connection,
                     const std::string& driver, PropertyCollection& into);
};

} // namespace brellow::db
