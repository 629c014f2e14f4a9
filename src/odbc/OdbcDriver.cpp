#include "odbc/OdbcDriver.h"

#include "text/CaseInsensitive.h"

#include <charconv>

namespace brellow::odbc {
namespace {

// "ODBC Driver NN for SQL Server": the version, or 0 for any other name.
int microsoftDriverVersion(std::string_view name) {
    constexpr std::string_view kPrefix = "ODBC Driver ";
    constexpr std::string_view kSuffix = " for SQL Server";
    if (name.size() <= kPrefix.size() + kSuffix.size() ||
        !text::equalsIgnoringCase(name.substr(0, kPrefix.size()), kPrefix) ||
        !text::equalsIgnoringCase(name.substr(name.size() - kSuffix.size()), kSuffix)) {
        return 0;
    }
    const std::string_view digits =
        name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
    int version = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), version);
    return error == std::errc() && end == digits.data() + digits.size() ? version : 0;
}

} // namespace

bool OdbcDriver::validatesCertificates() const {
    return dialect != Dialect::FreeTds;
}

bool OdbcDriver::matchesCertificateFile(bool strict) const {
    return strict && dialect == Dialect::MicrosoftOdbc18;
}

bool OdbcDriver::speaksStrict() const {
    return dialect == Dialect::MicrosoftOdbc18 || dialect == Dialect::FreeTds;
}

OdbcDriver OdbcDriver::named(std::string name) {
    Dialect dialect = Dialect::FreeTds;
    const int version = microsoftDriverVersion(name);
    if (version >= 18) {
        dialect = Dialect::MicrosoftOdbc18;
    } else if (version >= 17) {
        dialect = Dialect::MicrosoftOdbc17;
    } else if (text::equalsIgnoringCase(name, "SQL Server Native Client 11.0")) {
        dialect = Dialect::NativeClient11;
    } else if (text::equalsIgnoringCase(name, "SQL Server")) {
        dialect = Dialect::WindowsSqlServer;
    }
    return OdbcDriver{std::move(name), dialect};
}

const std::vector<std::string>& OdbcDriver::windowsPreference() {
    static const std::vector<std::string> preference{
        "ODBC Driver 18 for SQL Server", "ODBC Driver 17 for SQL Server",
        "SQL Server Native Client 11.0", "SQL Server", "FreeTDS"};
    return preference;
}

std::string OdbcDriver::firstInstalled(const std::vector<std::string>& preferred,
                                       const std::vector<std::string>& installed) {
    for (const std::string& wanted : preferred) {
        for (const std::string& present : installed) {
            if (text::equalsIgnoringCase(wanted, present)) {
                return present;
            }
        }
    }
    return {};
}

} // namespace brellow::odbc
