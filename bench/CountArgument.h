#pragma once

#include <optional>

namespace brellow::bench {

// A count given on a benchmark's command line: decimal digits only, within the bounds the
// benchmark can honour. Anything else is refused rather than read as something near it.
class CountArgument {
public:
    static std::optional<int> parse(const char* text, int minimum, int maximum);
    // Parse, and when it refuses, says so on stderr: "program: name takes a whole number
    // from minimum to maximum, not 'text'".
    static std::optional<int> read(const char* program, const char* name, const char* text,
                                   int minimum, int maximum);
};

} // namespace brellow::bench
