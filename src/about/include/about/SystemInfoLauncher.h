#pragma once

#include "about/RegistryValueReader.h"

#include <string>

namespace brellow::uiservices {
class MessageBoxService;
} // namespace brellow::uiservices

namespace brellow::os {
class ProgramStarter;
} // namespace brellow::os

namespace brellow::about {

// The About box's System Info button: finds the system information tool through the two
// registry locations its installer writes and starts it, or tells the user it is not there.
class SystemInfoLauncher {
public:
    static constexpr const char* kToolKey = R"(SOFTWARE\Microsoft\Shared Tools\MSINFO)";
    static constexpr const char* kToolValue = "PATH";
    static constexpr const char* kFolderKey = R"(SOFTWARE\Microsoft\Shared Tools Location)";
    static constexpr const char* kFolderValue = "MSINFO";
    static constexpr const char* kToolFile = R"(\MSINFO32.EXE)";
    static constexpr const char* kUnavailable = "System Information Is Unavailable At This Time";

    SystemInfoLauncher(os::Registry& registry, os::ProgramStarter& programs,
                       uiservices::MessageBoxService& messageBoxes);

    // Starts the tool without waiting for it, or shows the one failure message; returns
    // once the tool has been started or the message closed. Nothing gets out of it.
    void StartSysInfo();

    bool GetKeyValue(os::Registry::Key KeyRoot, const std::string& KeyName,
                     const std::string& SubKeyRef, std::string& KeyVal);

private:
    bool startTool();

    RegistryValueReader values_;
    os::ProgramStarter& programs_;
    uiservices::MessageBoxService& messageBoxes_;
};

} // namespace brellow::about
