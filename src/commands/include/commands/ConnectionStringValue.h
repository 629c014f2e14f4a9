#pragma once

#include <string>
#include <string_view>

namespace brellow::commands {

// Makes a value safe to place after "keyword=" in an OLE DB connection string, so that
// the provider receives exactly the text the user typed. Ordinary values come back
// unchanged; a value with ';', a quote character, a leading '=', or leading or trailing
// white space is enclosed in the quote character it does not contain, or in '"' with inner
// '"' doubled when it contains both.
std::string QuoteConnectionStringValue(std::string_view value);

} // namespace brellow::commands
