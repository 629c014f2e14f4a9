#pragma once

#include "os/Registry.h"

#include <map>
#include <string>
#include <vector>

namespace brellow::os {

// A read-only registry for systems without one. It holds just the values the program
// reads: "PATH" under the system information key holds the first of the candidate
// graphical tools that is installed at the moment the key is opened: hardinfo, KDE's
// kinfocenter, GNOME's About panel, Xfce's xfce4-about, then lshw-gtk. Some tools need an
// argument, so each candidate is a command line (see CommandLine) whose first word is the
// program; the portable program starter runs such a value as the command it is. With none
// installed the key does not exist. Asking for write rights is refused, as an ordinary
// user's request for them under HKEY_LOCAL_MACHINE is on Windows.
class PortableRegistry final : public Registry {
public:
    PortableRegistry();
    // For tests and other systems: the candidate command lines to look for, in order.
    explicit PortableRegistry(std::vector<std::string> systemInfoCandidates);

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
    using Values = std::map<std::string, Value>;

    // The key's values as they are now, or false when the key does not exist.
    bool readKey(const std::string& upperPath, Values& values) const;
    const Values* openValues(Key key) const;

    std::vector<std::string> candidates_;
    // Open handles: the values each key held when it was opened. A closed slot is reused.
    std::vector<std::pair<bool, Values>> open_;
};

} // namespace brellow::os
