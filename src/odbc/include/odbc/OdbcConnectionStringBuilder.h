#pragma once

#include "connstring/ConnectionSettings.h"
#include "odbc/LoginTarget.h"
#include "odbc/OdbcDriver.h"

#include <string>
#include <string_view>

namespace brellow::odbc {

// Writes the DSN-less connection string for the driver, in its own keywords: the login is
// encrypted whenever the server can encrypt, everything when the connection string requires
// it, and the server's certificate is not validated (as SQLOLEDB does unless asked), wherever
// the driver lets that be said. Every value that could hold a separator goes in braces.
class OdbcConnectionStringBuilder {
public:
    // Raises errors::kBadConnectionString for a value the driver cannot be handed.
    static std::string build(const connstring::ConnectionSettings& settings,
                             const OdbcDriver& driver, const LoginTarget& target);

    // "keyword={value};", quoted as the dialect's driver reads it:
    // - FreeTDS ends a braced value at the first "}" followed by ";" and knows no escape, so
    //   "};" inside a value can't be passed;
    // - Microsoft's ODBC Drivers 17 and 18 read "}}" as one "}", so any text can be passed;
    // - the Native Client and Windows' built-in driver end it at the first "}", so a value
    //   can't hold one.
    // label names the value in that error message (the keyword when empty).
    static std::string braced(std::string_view keyword, std::string_view value,
                              std::string_view label = {},
                              OdbcDriver::Dialect dialect = OdbcDriver::Dialect::FreeTds);
};

} // namespace brellow::odbc
