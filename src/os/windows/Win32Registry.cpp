#include "os/windows/Win32Registry.h"

#include <windows.h>

namespace brellow::os {
namespace {

HKEY toHandle(Registry::Key key) {
    return reinterpret_cast<HKEY>(key);
}

} // namespace

std::int32_t Win32Registry::OpenKeyEx(Key root, const std::string& subKey, std::uint32_t options,
                                      std::uint32_t access, Key& result) {
    HKEY opened = nullptr;
    const LONG status = ::RegOpenKeyExA(toHandle(root), subKey.c_str(), options,
                                        static_cast<REGSAM>(access), &opened);
    if (status == ERROR_SUCCESS) {
        result = reinterpret_cast<Key>(opened);
    }
    return status;
}

std::int32_t Win32Registry::QueryValueEx(Key key, const std::string& valueName, std::uint32_t& type,
                                         std::uint8_t* data, std::uint32_t& size) {
    DWORD valueType = 0;
    DWORD valueSize = size;
    const LONG status =
        ::RegQueryValueExA(toHandle(key), valueName.c_str(), nullptr, &valueType, data, &valueSize);
    type = valueType;
    size = valueSize;
    return status;
}

std::int32_t Win32Registry::CloseKey(Key key) {
    return ::RegCloseKey(toHandle(key));
}

} // namespace brellow::os
