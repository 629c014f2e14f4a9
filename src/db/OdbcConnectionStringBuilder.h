#pragma once

#include "db/ConnectionSettings.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace brellow::db {

// Writes the DSN-less connection string for the FreeTDS ODBC driver: TDS 7.1, encryption when
// the server offers it, every value in braces.
class OdbcConnectionStringBuilder {
public:
    // driver: the driver library's full path, or a name registered with the driver manager;
    // port: the server's TCP port (a named instance's already looked up);
    // servicePrincipal: under integrated security, the Kerberos name the driver is to ask
    // for (empty: the driver's own choice).
    // Raises errors::kBadConnectionString for a value the driver cannot be handed.
    static std::string Build(const ConnectionSettings& settings, const std::string& driver,
                             std::uint16_t port, const std::string& servicePrincipal = {});

    // "keyword={value};". FreeTDS ends a braced value at the first "}" followed by ";" and
    // knows no escape, so "};" inside a value can't be passed; any other text can.
    // label names the value in that error message (the keyword when empty).
    static std::string Pair(std::string_view keyword, std::string_view value,
                            std::string_view label = {});
};

} // namespace brellow::db
