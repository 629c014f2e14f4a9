#include "os/linux/PortableRegistry.h"

#include "os/linux/CommandLine.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace brellow::os {
namespace {

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// Handles start above the predefined roots' range so the two never meet.
constexpr Registry::Key kFirstHandle = 0x1000;
constexpr std::int32_t kInvalidHandle = 6;
// The rights a read-only view can grant: KEY_READ and its parts.
constexpr std::uint32_t kReadRights = Registry::kKeyRead;

// In this order: a system information tool of its own, then what KDE, GNOME and Xfce show as
// "about this system", then a hardware lister.
std::vector<std::string> defaultCandidates() {
    return {"/usr/bin/hardinfo",
            "/usr/bin/kinfocenter",
            "/usr/bin/gnome-control-center info-overview",
            "/usr/bin/xfce4-about",
            "/usr/bin/lshw-gtk",
            "/usr/sbin/lshw-gtk"};
}

bool isInstalledProgram(const std::string& command) {
    const std::vector<std::string> words = CommandLine::Split(command);
    if (words.empty()) {
        return false;
    }
    const std::string& program = words.front();
    std::error_code error;
    return std::filesystem::is_regular_file(program, error) && ::access(program.c_str(), X_OK) == 0;
}

} // namespace

PortableRegistry::PortableRegistry() : PortableRegistry(defaultCandidates()) {}

PortableRegistry::PortableRegistry(std::vector<std::string> systemInfoCandidates)
    : candidates_(std::move(systemInfoCandidates)) {}

bool PortableRegistry::readKey(const std::string& upperPath, Values& values) const {
    if (upperPath != upper(R"(SOFTWARE\Microsoft\Shared Tools\MSINFO)")) {
        return false;
    }
    // Looked up at every open, so a tool installed while the program runs is found.
    const auto tool = std::find_if(candidates_.begin(), candidates_.end(), isInstalledProgram);
    if (tool == candidates_.end()) {
        return false;
    }
    Value path{kTypeSz, {tool->begin(), tool->end()}};
    path.bytes.push_back(0);
    values.clear();
    values.emplace("PATH", std::move(path));
    return true;
}

std::int32_t PortableRegistry::OpenKeyEx(Key root, const std::string& subKey,
                                         std::uint32_t /*options*/, std::uint32_t access,
                                         Key& result) {
    if (root != kLocalMachine) {
        return kFileNotFound;
    }
    Values values;
    if (!readKey(upper(subKey), values)) {
        return kFileNotFound;
    }
    if ((access & ~kReadRights) != 0) {
        return kAccessDenied;
    }
    auto slot = std::find_if(open_.begin(), open_.end(),
                             [](const std::pair<bool, Values>& entry) { return !entry.first; });
    if (slot == open_.end()) {
        slot = open_.insert(open_.end(), {false, {}});
    }
    *slot = {true, std::move(values)};
    result = kFirstHandle + static_cast<Key>(slot - open_.begin());
    return kSuccess;
}

const PortableRegistry::Values* PortableRegistry::openValues(Key key) const {
    const Key index = key - kFirstHandle;
    if (index < 0 || static_cast<std::size_t>(index) >= open_.size() ||
        !open_[static_cast<std::size_t>(index)].first) {
        return nullptr;
    }
    return &open_[static_cast<std::size_t>(index)].second;
}

std::int32_t PortableRegistry::QueryValueEx(Key key, const std::string& valueName,
                                            std::uint32_t& type, std::uint8_t* data,
                                            std::uint32_t& size) {
    const Values* values = openValues(key);
    if (values == nullptr) {
        return kInvalidHandle;
    }
    const auto found = values->find(upper(valueName));
    if (found == values->end()) {
        return kFileNotFound;
    }
    const Value& value = found->second;
    type = value.type;
    const auto needed = static_cast<std::uint32_t>(value.bytes.size());
    if (data != nullptr && needed > size) {
        size = needed;
        return kMoreData;
    }
    if (data != nullptr && needed > 0) {
        std::memcpy(data, value.bytes.data(), needed);
    }
    size = needed;
    return kSuccess;
}

std::int32_t PortableRegistry::CloseKey(Key key) {
    if (openValues(key) == nullptr) {
        return kInvalidHandle;
    }
    open_[static_cast<std::size_t>(key - kFirstHandle)] = {false, {}};
    return kSuccess;
}

} // namespace brellow::os
