#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brellow::tdsserver {

// TDS carries every string as UTF-16LE; the rest of the server works in UTF-8.
class Utf16Codec {
public:
    // UTF-16 code units of a UTF-8 string; malformed sequences become U+FFFD.
    static std::u16string fromUtf8(std::string_view utf8);
    // UTF-8 text of little-endian UTF-16 bytes; an odd trailing byte is ignored and
    // unpaired surrogates become U+FFFD, so any byte sequence decodes.
    static std::string toUtf8(const std::uint8_t* bytes, std::size_t size);
    static std::string toUtf8(const std::vector<std::uint8_t>& bytes) {
        return toUtf8(bytes.data(), bytes.size());
    }
    // Little-endian bytes of the code units.
    static std::vector<std::uint8_t> toBytes(const std::u16string& units);
};

} // namespace brellow::tdsserver
