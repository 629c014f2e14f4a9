#pragma once

#include "os/Registry.h"

namespace brellow::os {

// The Windows registry through advapi32's ANSI functions.
class Win32Registry final : public Registry {
public:
    std::int32_t OpenKeyEx(Key root, const std::string& subKey, std::uint32_t options,
                           std::uint32_t access, Key& result) override;
    std::int32_t QueryValueEx(Key key, const std::string& valueName, std::uint32_t& type,
                              std::uint8_t* data, std::uint32_t& size) override;
    std::int32_t CloseKey(Key key) override;
};

} // namespace brellow::os
