#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace brellow::os {

// Opening documents and addresses through the desktop's shell, as ShellExecuteA does.
class Shell {
public:
    static constexpr int kShowNormal = 1;

    // Receives the last-error code a failure stands for.
    using LateFailureReport = std::function<void(std::uint32_t lastError)>;

    virtual ~Shell() = default;
    // Returns the shell's 32-bit result: 32 or more means the request was accepted.
    virtual std::int32_t Execute(std::uintptr_t ownerWindow, const std::string& verb,
                                 const std::string& file, const std::string& parameters,
                                 const std::string& directory, std::int32_t showCommand) = 0;
    // The last error code of the calling thread, read right after a failed Execute.
    virtual std::uint32_t LastError() = 0;
    // Where a request can still fail after Execute has accepted it (a desktop's opener runs
    // on after the call has returned), the failure goes to `report`, on the thread that made
    // the request. A shell that gives its whole answer at once never calls it.
    virtual void SetLateFailureReport(LateFailureReport report) { (void)report; }
};

} // namespace brellow::os
