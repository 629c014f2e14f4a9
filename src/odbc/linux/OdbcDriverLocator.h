#pragma once

#include <string>
#include <vector>

namespace brellow::odbc {

// Finds the FreeTDS ODBC driver library at run time, so that no ODBC configuration file needs
// to name it.
class OdbcDriverLocator {
public:
    // Where Debian, other distributions and local builds put the driver, most likely first.
    static std::vector<std::string> defaultCandidates();

    // The first candidate that is an existing regular file; empty when none is.
    static std::string locate(const std::vector<std::string>& candidates);
};

} // namespace brellow::odbc
