#include "about/RegistryValueReader.h"

#include <array>
#include <cstdint>

namespace brellow::about {
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

RegistryValueReader::RegistryValueReader(os::Registry& registry) : registry_(registry) {}

bool RegistryValueReader::GetKeyValue(os::Registry::Key KeyRoot, const std::string& KeyName,
                                      const std::string& SubKeyRef, std::string& KeyVal) {
    using os::Registry;

    Registry::Key key = 0;
    bool found = false;
    // Reading is all this program does, so the key is opened for reading only: asking
    // for write rights makes an ordinary user's open of HKEY_LOCAL_MACHINE fail.
    if (registry_.OpenKeyEx(KeyRoot, KeyName, 0, Registry::kKeyRead, key) != Registry::kSuccess) {
        KeyVal.clear();
    } else {
        std::array<std::uint8_t, kBufferSize> buffer{};
        std::uint32_t size = kBufferSize;
        std::uint32_t type = 0;
        const std::int32_t status =
            registry_.QueryValueEx(key, SubKeyRef, type, buffer.data(), size);
        // An empty value has no last byte to look at and nothing to read; a size beyond
        // the buffer would only come from a misbehaving registry. Both count as not read.
        if (status != Registry::kSuccess || size == 0 || size > buffer.size()) {
            KeyVal.clear();
        } else {
            // At most one terminating zero goes; a zero inside the value stays.
            const std::size_t length = buffer[size - 1] == 0 ? size - 1 : size;
            if (type == Registry::kTypeSz) {
                KeyVal.assign(reinterpret_cast<const char*>(buffer.data()), length);
            } else if (type == Registry::kTypeDword) {
                // Stored least significant byte first: walk backwards to get the most
                // significant digits first. The text stays in its "&h" spelling.
                std::string digits = KeyVal;
                for (std::size_t i = length; i > 0; --i) {
                    digits += hexDigits(buffer[i - 1]);
                }
                KeyVal = "&h" + digits;
            }
            found = true;
        }
    }
    registry_.CloseKey(key);
    return found;
}

} // namespace brellow::about
