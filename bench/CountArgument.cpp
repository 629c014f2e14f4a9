#include "CountArgument.h"

#include <cstdio>

namespace brellow::bench {

std::optional<int> CountArgument::parse(const char* text, int minimum, int maximum) {
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

std::optional<int> CountArgument::read(const char* program, const char* name, const char* text,
                                       int minimum, int maximum) {
    const auto count = parse(text, minimum, maximum);
    if (!count) {
        std::fprintf(stderr, "%s: %s takes a whole number from %d to %d, not '%s'\n", program, name,
                     minimum, maximum, text);
    }
    return count;
}

} // namespace brellow::bench
