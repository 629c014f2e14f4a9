#pragma once

#include "os/Shell.h"

namespace brellow::os {

// Opening documents through shell32's ShellExecuteA.
class Win32Shell final : public Shell {
public:
    std::int32_t Execute(std::uintptr_t ownerWindow, const std::string& verb,
                         const std::string& file, const std::string& parameters,
                         const std::string& directory, std::int32_t showCommand) override;
    // The code GetLastError gave right after the last Execute: read there, before anything
    // else the program does on this thread can overwrite it.
    std::uint32_t LastError() override { return lastError_; }

private:
    std::uint32_t lastError_ = 0;
};

} // namespace brellow::os
