#pragma once

#include <cstddef>
#include <string>

// clang-format off
#include <windows.h>
// clang-format on

namespace brellow::os {

// Reads one registry value as text, the way the About box has always done it: a fixed
// 1024-byte buffer, one terminating zero trimmed, REG_SZ taken as it is and REG_DWORD spelled
// as "&h" and hexadecimal digits, most significant byte first. Texts go in and come back in
// the system's ANSI code page.
class RegistryValueReader {
public:
    static constexpr std::size_t kBufferSize = 1024;

    // True when the key was opened and the value read. A failed open or query, a value of no
    // bytes at all and one larger than the buffer give false and an empty `value`. A value of
    // another type than REG_SZ or REG_DWORD gives true and leaves `value` as it was. The key
    // is closed on every path.
    static bool getKeyValue(HKEY root, const std::string& keyName, const std::string& valueName,
                            std::string& value);
};

} // namespace brellow::os
