#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brellow::text {

// Converts between UTF-8, which the program works in, and UTF-16: the code units of ODBC's wide
// calls, and the little-endian bytes TDS carries every string in. Ill-formed input becomes
// U+FFFD rather than being dropped or passed on, so that any input converts.
class Utf16Text {
public:
    static std::u16string fromUtf8(std::string_view text);
    static std::string toUtf8(std::u16string_view text);

    // Little-endian bytes; an odd trailing byte is ignored.
    static std::string fromLittleEndian(const std::uint8_t* bytes, std::size_t size);
    static std::string fromLittleEndian(const std::vector<std::uint8_t>& bytes) {
        return fromLittleEndian(bytes.data(), bytes.size());
    }
    static std::vector<std::uint8_t> toLittleEndian(std::u16string_view units);
};

} // namespace brellow::text
