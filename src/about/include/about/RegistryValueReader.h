#pragma once

#include "os/Registry.h"

#include <cstddef>
#include <string>

namespace brellow::about {

// Reads one registry value as text, the way the About box has always done it: a fixed
// 1024-byte buffer, one terminating zero trimmed, REG_SZ taken as it is and REG_DWORD
// spelled as "&h" and hexadecimal digits. It needs nothing but the standard library, so the
// Windows checks compile this very file against the real registry.
class RegistryValueReader {
public:
    static constexpr std::size_t kBufferSize = 1024;

    explicit RegistryValueReader(os::Registry& registry);

    // True when the key was opened and the value read. A failed open or query, and a
    // value of no bytes at all, give false and an empty `KeyVal`. A value of another type
    // than REG_SZ or REG_DWORD gives true and leaves `KeyVal` as it was. The key is closed
    // on every path.
    bool GetKeyValue(os::Registry::Key KeyRoot, const std::string& KeyName,
                     const std::string& SubKeyRef, std::string& KeyVal);

private:
    os::Registry& registry_;
};

} // namespace brellow::about
