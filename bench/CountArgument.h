#pragma once

#include <optional>

namespace brellow::bench {

// A count given on a benchmark's command line: decimal digits only, within the bounds the
// benchmark can honour. Anything else is refused rather than read as something near it.
class CountArgument {
public:
    static std::optional<int> Parse(const char* text, int minimum, int maximum);
};

} // namespace brellow::bench
