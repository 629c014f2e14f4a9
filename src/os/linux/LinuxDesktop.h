#pragma once

#include "os/Desktop.h"

#include <memory>
#include <string>
#include <vector>

namespace brellow::os {

// The desktop of a Linux machine. The system information tool is the first of the graphical
// tools that show what a machine is made of that is installed when asked for. Web addresses go
// to the desktop's URL handler, xdg-open, found on the PATH; the call only starts it and returns
// at once, so a handler that takes its time (a browser xdg-open waits for) never holds the
// caller, and the opener's exit status arrives later, through the late-failure report.
class LinuxDesktop final : public Desktop {
public:
    struct Tool {
        std::string program;
        std::vector<std::string> arguments;
    };

    // hardinfo, KDE's kinfocenter, GNOME's About panel, Xfce's xfce4-about, then lshw-gtk.
    static std::vector<Tool> systemInformationTools();

    explicit LinuxDesktop(std::vector<Tool> tools = systemInformationTools(),
                          std::string opener = "xdg-open");
    ~LinuxDesktop() override;
    LinuxDesktop(const LinuxDesktop&) = delete;
    LinuxDesktop& operator=(const LinuxDesktop&) = delete;

    bool startSystemInformation() override;
    std::optional<std::uint32_t> openWebAddress(const std::string& address,
                                                std::uintptr_t ownerWindow) override;
    std::string userDataFolder() override;
    std::string userConfigFolder() override;
    // Openers still running when the desktop goes report to nobody.
    void setLateFailureReport(LateFailure report) override;

private:
    std::vector<Tool> tools_;
    std::string opener_;
    // Shared with the openers still running, which hold it weakly.
    std::shared_ptr<LateFailure> report_;
};

} // namespace brellow::os
