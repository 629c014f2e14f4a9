#pragma once

#include <cstdint>
#include <string>

namespace brellow::odbc {

// One diagnostic record of an ODBC handle.
struct OdbcDiagnostic {
    std::string sqlState;
    std::int32_t nativeError = 0;
    std::string message;
};

} // namespace brellow::odbc
