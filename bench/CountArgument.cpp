#include "CountArgument.h"

namespace brellow::bench {

std::optional<int> CountArgument::Parse(const char* text, int minimum, int maximum) {
    if (text == nullptr || *text == '\0') {
        return std::nullopt;
    }
    long long value = 0;
    for (const char* digit = text; *digit != '\0'; ++digit) {
        if (*digit < '0' || *digit > '9') {
            return std::nullopt;
        }
        value = value * 10 + (*digit - '0');
        if (value > maximum) {
            return std::nullopt;
        }
    }
    if (value < minimum) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

} // namespace brellow::bench
