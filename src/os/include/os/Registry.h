#pragma once

#include <cstdint>
#include <string>

namespace brellow::os {

// A read view of the system registry at the level of the Win32 functions: handles, value
// types and raw byte buffers, so that the caller's own decoding runs the same everywhere.
class Registry {
public:
    using Key = std::intptr_t;

    static constexpr Key kLocalMachine = static_cast<Key>(static_cast<std::int32_t>(0x80000002u));
    static constexpr std::int32_t kSuccess = 0;
    static constexpr std::int32_t kFileNotFound = 2;
    static constexpr std::int32_t kAccessDenied = 5;
    static constexpr std::int32_t kMoreData = 234;
    static constexpr std::uint32_t kTypeSz = 1;
    static constexpr std::uint32_t kTypeExpandSz = 2;
    static constexpr std::uint32_t kTypeDword = 4;
    static constexpr std::uint32_t kKeyRead = 0x20019;

    virtual ~Registry() = default;
    // As RegOpenKeyExA: 0 and a valid handle in `result`, or an error code.
    virtual std::int32_t OpenKeyEx(Key root, const std::string& subKey, std::uint32_t options,
                                   std::uint32_t access, Key& result) = 0;
    // As RegQueryValueExA: on entry `size` is the buffer's size; on success the value's type
    // and bytes are written and `size` holds the number of bytes written.
    virtual std::int32_t QueryValueEx(Key key, const std::string& valueName, std::uint32_t& type,
                                      std::uint8_t* data, std::uint32_t& size) = 0;
    virtual std::int32_t CloseKey(Key key) = 0;
};

} // namespace brellow::os
