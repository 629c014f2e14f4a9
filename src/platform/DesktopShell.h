#pragma once

#include "platform/Shell.h"

namespace brellow::platform {

// Opens addresses through the desktop's URL handler (xdg-open and friends).
class DesktopShell final : public Shell {
public:
    std::int32_t Execute(std::uintptr_t ownerWindow, const std::string& verb,
                         const std::string& file, const std::string& parameters,
                         const std::string& directory, std::int32_t showCommand) override;
    std::uint32_t LastError() override { return lastError_; }

private:
    std::uint32_t lastError_ = 0;
};

} // namespace brellow::platform
