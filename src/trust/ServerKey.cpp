#include "trust/ServerKey.h"

#include <algorithm>
#include <cctype>

namespace brellow::trust {

std::string ServerKey::of(const std::string& host, const std::string& instance,
                          std::uint16_t port) {
    const auto lower = [](std::string text) {
        std::transform(text.begin(), text.end(), text.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return text;
    };
    return instance.empty() ? lower(host) + ':' + std::to_string(port)
                            : lower(host) + '\\' + lower(instance);
}

} // namespace brellow::trust
