#include "connstring/DataSourceAddress.h"

#include "ado/DbError.h"
#include "ado/ErrorNumbers.h"
#include "connstring/ConnectionStringParser.h"
#include "text/CaseInsensitive.h"

#include <charconv>

namespace brellow::connstring {
namespace {

constexpr std::string_view kLoopback = "127.0.0.1";

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

[[noreturn]] void invalid(std::string_view dataSource, std::string_view why) {
    throw ado::DbError(ado::errors::kFail, "Invalid Data Source \"" + std::string(dataSource) +
                                               "\": " + std::string(why));
}

std::uint16_t parsePort(std::string_view dataSource, std::string_view text) {
    text = trim(text);
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value == 0 ||
        value > 65535) {
        invalid(dataSource, "the port must be a number from 1 to 65535.");
    }
    return static_cast<std::uint16_t>(value);
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           text::equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

} // namespace

DataSourceAddress DataSourceAddress::parse(std::string_view dataSource) {
    DataSourceAddress address;
    std::string_view rest = trim(dataSource);
    if (startsWithIgnoringCase(rest, "tcp:")) {
        rest = trim(rest.substr(4));
    }

    std::string_view host;
    std::string_view afterHost;
    if (!rest.empty() && rest.front() == '[') {
        const auto close = rest.find(']');
        if (close == std::string_view::npos) {
            invalid(dataSource, "the IPv6 address lacks its closing bracket.");
        }
        host = rest.substr(1, close - 1);
        afterHost = trim(rest.substr(close + 1));
        if (host.empty()) {
            invalid(dataSource, "the brackets hold no address.");
        }
        if (!afterHost.empty() && afterHost.front() != ',' && afterHost.front() != '\\') {
            invalid(dataSource, "unexpected text after the IPv6 address.");
        }
    } else {
        const auto end = rest.find_first_of(",\\");
        host = trim(rest.substr(0, end));
        afterHost = end == std::string_view::npos ? std::string_view{} : rest.substr(end);
    }

    // "\instance" and ",port" may both follow the host; the port wins over the instance.
    std::string_view instance;
    std::string_view port;
    bool hasPort = false;
    if (!afterHost.empty() && afterHost.front() == '\\') {
        const auto comma = afterHost.find(',');
        instance = trim(afterHost.substr(1, comma == std::string_view::npos ? comma : comma - 1));
        if (comma != std::string_view::npos) {
            port = afterHost.substr(comma + 1);
            hasPort = true;
        }
    } else if (!afterHost.empty()) {
        port = afterHost.substr(1);
        hasPort = true;
    }
    if (hasPort && port.find_first_of(",\\") != std::string_view::npos) {
        invalid(dataSource, "too many parts.");
    }

    if (host.empty() || host == "." || text::equalsIgnoringCase(host, "(local)")) {
        address.host_ = std::string(kLoopback);
        address.local_ = true;
    } else {
        address.host_ = std::string(host);
        address.local_ =
            text::equalsIgnoringCase(host, "localhost") || host == kLoopback || host == "::1";
    }
    // The default instance also answers to its service name.
    if (!text::equalsIgnoringCase(instance, "MSSQLSERVER")) {
        address.instance_ = std::string(instance);
    }
    if (hasPort) {
        address.port_ = parsePort(dataSource, port);
    } else if (!address.instance_.empty()) {
        address.port_ = 0;
    }
    return address;
}

} // namespace brellow::connstring
