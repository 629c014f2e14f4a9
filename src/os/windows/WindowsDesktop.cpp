#include "WindowsDesktop.h"

#include "RegistryValueReader.h"

// shellapi.h builds on what windows.h declares.
// clang-format off
#include <shellapi.h>
#include <shlobj.h>
// clang-format on

namespace brellow::os {
namespace {

// A path read from outside may carry a zero byte; Windows would cut it there and find or
// start a different file, so such a path names nothing.
bool isUsablePath(const std::string& path) {
    return !path.empty() && path.find('\0') == std::string::npos;
}

// Only ordinary files: folders, hidden and system files, and volume labels do not match.
constexpr DWORD kNotOrdinary = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN |
                               FILE_ATTRIBUTE_SYSTEM | 0x8 /* volume label */;

// The smallest result by which ShellExecute says it accepted the request.
constexpr std::int32_t kFirstAccepted = 32;

} // namespace

std::unique_ptr<Desktop> Desktop::create() {
    return std::make_unique<WindowsDesktop>();
}

WindowsDesktop::WindowsDesktop() : WindowsDesktop(Locations{}) {}

WindowsDesktop::WindowsDesktop(Locations locations) : locations_(std::move(locations)) {}

bool WindowsDesktop::startSystemInformation() {
    // The tool's full path is started as it stands; only the folder is checked for the tool.
    std::string path;
    if (!RegistryValueReader::getKeyValue(locations_.root, locations_.toolKey, locations_.toolValue,
                                          path)) {
        if (!RegistryValueReader::getKeyValue(locations_.root, locations_.folderKey,
                                              locations_.folderValue, path)) {
            return false;
        }
        // The folder is used as written: a trailing backslash gives a doubled one.
        if (findFile(path + kToolFile).empty()) {
            return false;
        }
        path += kToolFile;
    }
    return start(path);
}

std::string WindowsDesktop::findFile(const std::string& path) {
    if (!isUsablePath(path)) {
        return {};
    }
    WIN32_FIND_DATAA found{};
    const HANDLE search = ::FindFirstFileA(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return {};
    }
    std::string name;
    do {
        if ((found.dwFileAttributes & kNotOrdinary) == 0) {
            name = found.cFileName;
        }
    } while (name.empty() && ::FindNextFileA(search, &found));
    ::FindClose(search);
    return name;
}

bool WindowsDesktop::start(const std::string& path) {
    if (!isUsablePath(path)) {
        return false;
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    // The path is the program; quoted on the command line so that its spaces stay in it.
    std::string commandLine = "\"" + path + "\"";
    if (!::CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &process)) {
        return false;
    }
    // Not waited for: the program runs on its own.
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return true;
}

std::optional<std::uint32_t> WindowsDesktop::openWebAddress(const std::string& address,
                                                            std::uintptr_t ownerWindow) {
    // Empty parameter and folder texts, not absent ones. A normal, visible window: a hidden one
    // would leave a newly started browser where nobody can see it.
    const HINSTANCE result = ::ShellExecuteA(reinterpret_cast<HWND>(ownerWindow), "open",
                                             address.c_str(), "", "", SW_SHOWNORMAL);
    // Read at once, before anything else on this thread can overwrite it.
    const DWORD error = ::GetLastError();
    // The result is a handle only for compatibility; its value is a signed 32-bit number.
    if (static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(result)) >= kFirstAccepted) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(error);
}

namespace {

// A known folder's path in UTF-8 with the program's own folder in it; empty where Windows has
// none.
std::string knownFolder(REFKNOWNFOLDERID which) {
    PWSTR folder = nullptr;
    if (FAILED(SHGetKnownFolderPath(which, 0, nullptr, &folder))) {
        CoTaskMemFree(folder);
        return {};
    }
    // The path in UTF-8, as the program's own strings are.
    const int size = WideCharToMultiByte(CP_UTF8, 0, folder, -1, nullptr, 0, nullptr, nullptr);
    std::string path(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
    if (size > 0) {
        WideCharToMultiByte(CP_UTF8, 0, folder, -1, path.data(), size, nullptr, nullptr);
        path.resize(static_cast<std::size_t>(size) - 1);
    }
    CoTaskMemFree(folder);
    return path.empty() ? path : path + "\\Brellow";
}

} // namespace

std::string WindowsDesktop::userDataFolder() {
    return knownFolder(FOLDERID_LocalAppData);
}

std::string WindowsDesktop::userConfigFolder() {
    // Roaming: settings follow the user from machine to machine.
    return knownFolder(FOLDERID_RoamingAppData);
}

} // namespace brellow::os
