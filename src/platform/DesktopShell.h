#pragma once

#include "platform/Shell.h"

#include <string>

namespace brellow::platform {

// Opens addresses through the desktop's URL handler, xdg-open, found on the PATH. Its exit
// status becomes the result and last-error code ShellExecuteA gives for the same cause.
// Handlers that keep running (a browser xdg-open waits for) count as accepted once the
// wait is over; they go on running on their own.
class DesktopShell final : public Shell {
public:
    static constexpr int kDefaultWaitMs = 3000;

    explicit DesktopShell(std::string opener = "xdg-open", int waitMs = kDefaultWaitMs);

    std::int32_t Execute(std::uintptr_t ownerWindow, const std::string& verb,
                         const std::string& file, const std::string& parameters,
                         const std::string& directory, std::int32_t showCommand) override;
    std::uint32_t LastError() override { return lastError_; }

private:
    std::int32_t fail(std::int32_t result, std::uint32_t lastError);

    std::string opener_;
    int waitMs_;
    std::uint32_t lastError_ = 0;
};

} // namespace brellow::platform
