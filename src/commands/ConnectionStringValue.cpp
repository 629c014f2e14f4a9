#include "commands/ConnectionStringValue.h"

namespace brellow::commands {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool needsQuoting(std::string_view value) {
    if (value.empty()) {
        return false;
    }
    // A leading '=' would join the '=' after the keyword, which reads "==" as a literal '='
    // inside the keyword.
    if (isBlank(value.front()) || isBlank(value.back()) || value.front() == '=') {
        return true;
    }
    return value.find_first_of(";\"'") != std::string_view::npos;
}

} // namespace

std::string QuoteConnectionStringValue(std::string_view value) {
    if (!needsQuoting(value)) {
        return std::string(value);
    }
    const bool hasDouble = value.find('"') != std::string_view::npos;
    const bool hasSingle = value.find('\'') != std::string_view::npos;
    std::string quoted;
    quoted.reserve(value.size() + 2);
    if (hasDouble && !hasSingle) {
        quoted += '\'';
        quoted += value;
        quoted += '\'';
        return quoted;
    }
    quoted += '"';
    for (const char c : value) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    quoted += '"';
    return quoted;
}

} // namespace brellow::commands
