#include "os/windows/Win32Shell.h"

// shellapi.h builds on what windows.h declares.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

namespace brellow::os {

std::int32_t Win32Shell::Execute(std::uintptr_t ownerWindow, const std::string& verb,
                                 const std::string& file, const std::string& parameters,
                                 const std::string& directory, std::int32_t showCommand) {
    // Empty parameter and folder texts are passed as empty strings, not left out.
    const HINSTANCE result =
        ::ShellExecuteA(reinterpret_cast<HWND>(ownerWindow), verb.c_str(), file.c_str(),
                        parameters.c_str(), directory.c_str(), showCommand);
    lastError_ = ::GetLastError();
    // The result is a handle only for compatibility; its value is a 32-bit code.
    return static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(result));
}

} // namespace brellow::os
