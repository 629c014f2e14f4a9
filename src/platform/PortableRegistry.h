#pragma once

#include "platform/Registry.h"

#include <map>
#include <string>
#include <vector>

namespace brellow::platform {

// A read-only registry for systems without one. It holds just the values the program
// reads: where the system information tool lives, taken from the graphical tools that
// are installed on this machine.
class PortableRegistry final : public Registry {
public:
    PortableRegistry();
    // For tests and other systems: the candidate programs to look for, in order.
    explicit PortableRegistry(const std::vector<std::string>& systemInfoCandidates);

    std::int32_t OpenKeyEx(Key root, const std::string& subKey, std::uint32_t options,
                           std::uint32_t access, Key& result) override;
    std::int32_t QueryValueEx(Key key, const std::string& valueName, std::uint32_t& type,
                              std::uint8_t* data, std::uint32_t& size) override;
    std::int32_t CloseKey(Key key) override;

private:
    struct Value {
        std::uint32_t type = 0;
        std::vector<std::uint8_t> bytes;
    };
    // Key path (upper case) to its values (names upper case).
    std::map<std::string, std::map<std::string, Value>> keys_;
    std::vector<std::string> openKeys_;
};

} // namespace brellow::platform
