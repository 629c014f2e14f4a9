#pragma once

#include "connstring/ConnectionStringPair.h"

#include <string>
#include <string_view>
#include <vector>

namespace brellow::connstring {

// Reads the OLE DB connection-string syntax: "keyword=value" pairs separated by ";".
// Keywords are trimmed and matched without regard to case; "==" inside a keyword stands for a
// literal "="; an unquoted value is trimmed; a value may be enclosed in ' or " with the
// enclosing quote doubled inside. A keyword given twice keeps its last value, except Provider,
// which keeps its first.
class ConnectionStringParser {
public:
    // The pairs in order of first appearance, one per keyword (compared ignoring case).
    // Raises errors::kBadConnectionString on a malformed string.
    static std::vector<ConnectionStringPair> parse(std::string_view text);

    // Writes a value so that Parse reads it back unchanged: as it is, unless it would otherwise
    // break the string (a ";", a quote at its start, blanks at either end, a leading "="),
    // then in the quote it does not start with, that quote doubled inside. Every value the
    // program puts into a connection string goes through here.
    static std::string quoteValue(std::string_view value);
    // Writes a keyword so that Parse reads it back unchanged ("=" doubled).
    static std::string escapeKeyword(std::string_view keyword);
};

} // namespace brellow::connstring
