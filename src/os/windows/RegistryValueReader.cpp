#include "RegistryValueReader.h"

#include <array>
#include <cstdint>

namespace brellow::os {
namespace {

// Upper-case hexadecimal without leading zeros: 0 is "0", 0x0A is "A", 0xFF is "FF".
std::string hexDigits(std::uint8_t byte) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    if (byte >= 0x10) {
        text += kDigits[byte >> 4];
    }
    text += kDigits[byte & 0x0F];
    return text;
}

} // namespace

bool RegistryValueReader::getKeyValue(HKEY root, const std::string& keyName,
                                      const std::string& valueName, std::string& value) {
    HKEY key = nullptr;
    bool found = false;
    // Reading is all this program does, so the key is opened for reading only: asking for
    // write rights makes an ordinary user's open of HKEY_LOCAL_MACHINE fail.
    if (::RegOpenKeyExA(root, keyName.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        value.clear();
        key = nullptr;
    } else {
        std::array<std::uint8_t, kBufferSize> buffer{};
        DWORD size = kBufferSize;
        DWORD type = 0;
        const LONG status =
            ::RegQueryValueExA(key, valueName.c_str(), nullptr, &type, buffer.data(), &size);
        // An empty value has no last byte to look at and nothing to read; a size beyond the
        // buffer would only come from a misbehaving registry. Both count as not read.
        if (status != ERROR_SUCCESS || size == 0 || size > buffer.size()) {
            value.clear();
        } else {
            // At most one terminating zero goes; a zero inside the value stays.
            const std::size_t length = buffer[size - 1] == 0 ? size - 1 : size;
            if (type == REG_SZ) {
                value.assign(reinterpret_cast<const char*>(buffer.data()), length);
            } else if (type == REG_DWORD) {
                // Stored least significant byte first: walk backwards to get the most
                // significant digits first. The text stays in its "&h" spelling, after what
                // the value held.
                std::string digits = value;
                for (std::size_t i = length; i > 0; --i) {
                    digits += hexDigits(buffer[i - 1]);
                }
                value = "&h" + digits;
            }
            found = true;
        }
    }
    if (key != nullptr) {
        ::RegCloseKey(key);
    }
    return found;
}

} // namespace brellow::os
