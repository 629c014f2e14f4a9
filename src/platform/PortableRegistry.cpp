#include "platform/PortableRegistry.h"

#include "platform/PortableProgramStarter.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace brellow::platform {
namespace {

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// Handles start above the predefined roots' range so the two never meet.
constexpr Registry::Key kFirstHandle = 0x1000;

const std::vector<std::string>& defaultCandidates() {
    static const std::vector<std::string> candidates{"/usr/bin/hardinfo", "/usr/bin/kinfocenter",
                                                     "/usr/bin/lshw-gtk", "/usr/sbin/lshw-gtk"};
    return candidates;
}

} // namespace

PortableRegistry::PortableRegistry() : PortableRegistry(defaultCandidates()) {}

PortableRegistry::PortableRegistry(const std::vector<std::string>& systemInfoCandidates) {
    PortableProgramStarter files;
    for (const std::string& candidate : systemInfoCandidates) {
        if (!files.FindFile(candidate).empty()) {
            Value path{kTypeSz, {candidate.begin(), candidate.end()}};
            path.bytes.push_back(0);
            keys_[upper(R"(SOFTWARE\Microsoft\Shared Tools\MSINFO)")]["PATH"] = path;
            break;
        }
    }
}

std::int32_t PortableRegistry::OpenKeyEx(Key root, const std::string& subKey,
                                         std::uint32_t /*options*/, std::uint32_t /*access*/,
                                         Key& result) {
    if (root != kLocalMachine) {
        return kFileNotFound;
    }
    const std::string path = upper(subKey);
    if (keys_.find(path) == keys_.end()) {
        return kFileNotFound;
    }
    openKeys_.push_back(path);
    result = kFirstHandle + static_cast<Key>(openKeys_.size()) - 1;
    return kSuccess;
}

std::int32_t PortableRegistry::QueryValueEx(Key key, const std::string& valueName,
                                            std::uint32_t& type, std::uint8_t* data,
                                            std::uint32_t& size) {
    const Key index = key - kFirstHandle;
    if (index < 0 || static_cast<std::size_t>(index) >= openKeys_.size() ||
        openKeys_[static_cast<std::size_t>(index)].empty()) {
        return 6; // ERROR_INVALID_HANDLE
    }
    const auto& values = keys_[openKeys_[static_cast<std::size_t>(index)]];
    const auto found = values.find(upper(valueName));
    if (found == values.end()) {
        return kFileNotFound;
    }
    const Value& value = found->second;
    type = value.type;
    if (value.bytes.size() > size) {
        size = static_cast<std::uint32_t>(value.bytes.size());
        return kMoreData;
    }
    if (!value.bytes.empty() && data != nullptr) {
        std::memcpy(data, value.bytes.data(), value.bytes.size());
    }
    size = static_cast<std::uint32_t>(value.bytes.size());
    return kSuccess;
}

std::int32_t PortableRegistry::CloseKey(Key key) {
    const Key index = key - kFirstHandle;
    if (index < 0 || static_cast<std::size_t>(index) >= openKeys_.size()) {
        return 6; // ERROR_INVALID_HANDLE
    }
    openKeys_[static_cast<std::size_t>(index)].clear();
    return kSuccess;
}

} // namespace brellow::platform
