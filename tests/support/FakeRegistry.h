#pragma once

#include "os/Registry.h"

#include <QList>
#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace brellow::testsupport {

// An in-memory registry that behaves like the Win32 functions at the byte level and
// records what was asked of it.
class FakeRegistry final : public os::Registry {
public:
    struct Value {
        std::uint32_t type = kTypeSz;
        std::vector<std::uint8_t> bytes;
    };

    // A REG_SZ value stored with its terminating zero.
    static Value Text(const std::string& text, bool terminated = true) {
        Value v{kTypeSz, {text.begin(), text.end()}};
        if (terminated) {
            v.bytes.push_back(0);
        }
        return v;
    }

    void Set(const std::string& key, const std::string& name, Value value) {
        keys_[upper(key)][upper(name)] = std::move(value);
    }
    void AddKey(const std::string& key) { keys_[upper(key)]; }
    void DenyAccess(std::uint32_t mask) { deniedMask_ = mask; }

    std::int32_t OpenKeyEx(Key root, const std::string& subKey, std::uint32_t options,
                           std::uint32_t access, Key& result) override {
        openedKeys.push_back(subKey);
        lastOpenAccess = access;
        lastOpenOptions = options;
        if ((access & deniedMask_) != 0) {
            return kAccessDenied;
        }
        if (root != kLocalMachine || keys_.find(upper(subKey)) == keys_.end()) {
            return kFileNotFound;
        }
        handles_.push_back(upper(subKey));
        result = static_cast<Key>(handles_.size());
        ++openHandles;
        return kSuccess;
    }

    std::int32_t QueryValueEx(Key key, const std::string& valueName, std::uint32_t& type,
                              std::uint8_t* data, std::uint32_t& size) override {
        queriedValues.push_back(valueName);
        if (key <= 0 || static_cast<std::size_t>(key) > handles_.size()) {
            return 6;
        }
        const auto& values = keys_[handles_[static_cast<std::size_t>(key) - 1]];
        const auto found = values.find(upper(valueName));
        if (found == values.end()) {
            return kFileNotFound;
        }
        type = found->second.type;
        if (found->second.bytes.size() > size) {
            size = static_cast<std::uint32_t>(found->second.bytes.size());
            return kMoreData;
        }
        if (!found->second.bytes.empty()) {
            std::memcpy(data, found->second.bytes.data(), found->second.bytes.size());
        }
        size = static_cast<std::uint32_t>(found->second.bytes.size());
        return kSuccess;
    }

    std::int32_t CloseKey(Key key) override {
        closedKeys.push_back(key);
        if (key > 0) {
            --openHandles;
        }
        return kSuccess;
    }

    std::vector<std::string> openedKeys;
    std::vector<std::string> queriedValues;
    std::vector<Key> closedKeys;
    std::uint32_t lastOpenAccess = 0;
    std::uint32_t lastOpenOptions = 0;
    int openHandles = 0;

private:
    static std::string upper(std::string text) {
        std::transform(text.begin(), text.end(), text.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        return text;
    }

    std::map<std::string, std::map<std::string, Value>> keys_;
    std::vector<std::string> handles_;
    std::uint32_t deniedMask_ = 0;
};

} // namespace brellow::testsupport
