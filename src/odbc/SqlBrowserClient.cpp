#include "SqlBrowserClient.h"

#include "text/CaseInsensitive.h"

#include <array>
#include <charconv>
#include <vector>

namespace brellow::odbc {
namespace {

constexpr char kClientUnicastInstance = 0x04;
constexpr char kServerResponse = 0x05;

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        const auto end = text.find(separator, start);
        if (end == std::string_view::npos) {
            parts.push_back(text.substr(start));
            break;
        }
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

} // namespace

std::string SqlBrowserClient::request(std::string_view instance) {
    std::string request(1, kClientUnicastInstance);
    request += instance;
    request.push_back('\0');
    return request;
}

std::optional<std::uint16_t> SqlBrowserClient::parseResponse(std::string_view response,
                                                             std::string_view instance) {
    if (response.size() < 3 || response[0] != kServerResponse) {
        return std::nullopt;
    }
    const std::size_t length =
        static_cast<unsigned char>(response[1]) |
        (static_cast<std::size_t>(static_cast<unsigned char>(response[2])) << 8);
    std::string_view body = response.substr(3, std::min(length, response.size() - 3));
    // One record per instance, each ended by ";;".
    std::size_t start = 0;
    while (start < body.size()) {
        auto end = body.find(";;", start);
        const std::string_view record = body.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        const auto fields = split(record, ';');
        bool matches = false;
        std::optional<std::uint16_t> port;
        for (std::size_t i = 0; i + 1 < fields.size(); i += 2) {
            if (text::equalsIgnoringCase(fields[i], "InstanceName")) {
                matches = text::equalsIgnoringCase(fields[i + 1], instance);
            } else if (text::equalsIgnoringCase(fields[i], "tcp")) {
                unsigned value = 0;
                const std::string_view text = fields[i + 1];
                const auto [ptr, ec] =
                    std::from_chars(text.data(), text.data() + text.size(), value);
                if (ec == std::errc() && ptr == text.data() + text.size() && value > 0 &&
                    value <= 65535) {
                    port = static_cast<std::uint16_t>(value);
                }
            }
        }
        if (matches && port) {
            return port;
        }
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 2;
    }
    return std::nullopt;
}

} // namespace brellow::odbc
