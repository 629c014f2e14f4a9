#pragma once

#include "os/Desktop.h"

// clang-format off
#include <windows.h>
// clang-format on

#include <string>

namespace brellow::os {

// The desktop of a Windows machine, as the program has always used it. The system information
// tool is found through the registry: the tool's path under one key, or else the folder that
// holds MSINFO32.EXE under another; it is started in a normal, focused window. Web addresses
// go to the shell's "open" verb; a refusal is told by the thread's last-error code.
class WindowsDesktop final : public Desktop {
public:
    // Where the registry says where the tool is.
    struct Locations {
        HKEY root = HKEY_LOCAL_MACHINE;
        std::string toolKey = R"(SOFTWARE\Microsoft\Shared Tools\MSINFO)";
        std::string toolValue = "PATH";
        std::string folderKey = R"(SOFTWARE\Microsoft\Shared Tools Location)";
        std::string folderValue = "MSINFO";
    };

    static constexpr const char* kToolFile = R"(\MSINFO32.EXE)";

    // The machine's own locations.
    WindowsDesktop();
    explicit WindowsDesktop(Locations locations);

    bool startSystemInformation() override;
    std::optional<std::uint32_t> openWebAddress(const std::string& address,
                                                std::uintptr_t ownerWindow) override;
    // The shell gives its whole answer at once: nothing fails later.
    void setLateFailureReport(LateFailure report) override { (void)report; }
    std::string userDataFolder() override;
    std::string userConfigFolder() override;

    // The file's name when `path` names an ordinary file (no folder, hidden or system file),
    // else an empty text.
    static std::string findFile(const std::string& path);
    // Starts the program in a normal, focused window without waiting for it; false when it
    // cannot be started.
    static bool start(const std::string& path);

private:
    Locations locations_;
};

} // namespace brellow::os
