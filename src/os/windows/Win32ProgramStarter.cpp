#include "os/windows/Win32ProgramStarter.h"

#include <stdexcept>
#include <windows.h>

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

} // namespace

std::string Win32ProgramStarter::FindFile(const std::string& path) {
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

void Win32ProgramStarter::Start(const std::string& path, int windowStyle) {
    if (!isUsablePath(path)) {
        throw std::runtime_error("The program could not be started: " + path);
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(windowStyle);
    PROCESS_INFORMATION process{};
    // The path is the program; quoted on the command line so that its spaces stay in it.
    std::string commandLine = "\"" + path + "\"";
    if (!::CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &process)) {
        throw std::runtime_error("The program could not be started: " + path);
    }
    // Not waited for: the program runs on its own.
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
}

} // namespace brellow::os
