// libFuzzer target: the connection-string parser and what builds on it must never crash, and
// whatever parses must read back the same through QuoteValue and EscapeKeyword.
#include "ado/DbError.h"
#include "connstring/ConnectionSettings.h"
#include "connstring/ConnectionStringParser.h"
#include "connstring/DataSourceAddress.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

using namespace brellow::ado;
using namespace brellow::connstring;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<ConnectionStringPair> pairs;
    try {
        pairs = ConnectionStringParser::parse(text);
    } catch (const DbError&) {
        return 0;
    }
    std::string rewritten;
    for (const ConnectionStringPair& pair : pairs) {
        rewritten += ConnectionStringParser::escapeKeyword(pair.keyword) + "=" +
                     ConnectionStringParser::quoteValue(pair.value) + ";";
    }
    if (ConnectionStringParser::parse(rewritten) != pairs) {
        std::abort();
    }
    std::optional<ConnectionSettings> settings;
    try {
        settings = ConnectionSettings::fromConnectionString(text);
    } catch (const DbError&) {
    }
    if (settings) {
        // The string read back after an open parses to the same place and holds no password;
        // a DbError here escapes and is reported as a crash.
        const auto readBack =
            ConnectionSettings::fromConnectionString(settings->connectionStringWithoutPassword());
        if (!readBack.password().empty() || readBack.dataSource() != settings->dataSource() ||
            readBack.userId() != settings->userId()) {
            std::abort();
        }
    }
    for (const ConnectionStringPair& pair : pairs) {
        try {
            DataSourceAddress::parse(pair.value);
        } catch (const DbError&) {
        }
    }
    return 0;
}
