#pragma once

#include <string>

namespace brellow::connstring {

// One keyword=value pair of a connection string, as written (keyword unescaped, value
// unquoted).
struct ConnectionStringPair {
    std::string keyword;
    std::string value;

    bool operator==(const ConnectionStringPair&) const = default;
};

} // namespace brellow::connstring
