#pragma once

#include "os/Shell.h"

#include <memory>
#include <string>

namespace brellow::os {

// Opens addresses through the desktop's URL handler, xdg-open, found on the PATH. The call
// only starts the opener and returns at once, so a handler that takes its time (a browser
// xdg-open waits for) never holds the caller. The opener's exit status becomes the last-error
// code ShellExecuteA gives for the same cause, reported later through the late-failure report;
// an opener that is not installed at all fails at once, as a missing file (2) does on Windows.
class DesktopShell final : public Shell {
public:
    explicit DesktopShell(std::string opener = "xdg-open");
    ~DesktopShell() override;
    DesktopShell(const DesktopShell&) = delete;
    DesktopShell& operator=(const DesktopShell&) = delete;

    std::int32_t Execute(std::uintptr_t ownerWindow, const std::string& verb,
                         const std::string& file, const std::string& parameters,
                         const std::string& directory, std::int32_t showCommand) override;
    std::uint32_t LastError() override { return lastError_; }
    // Openers still running when the shell goes report to nobody.
    void SetLateFailureReport(LateFailureReport report) override;

    // The last-error code an opener's exit stands for; 0 for success.
    static std::uint32_t LastErrorForExit(bool crashed, int exitCode);

private:
    std::int32_t fail(std::int32_t result, std::uint32_t lastError);

    std::string opener_;
    std::uint32_t lastError_ = 0;
    // Shared with the openers still running, which hold it weakly.
    std::shared_ptr<LateFailureReport> report_;
};

} // namespace brellow::os
