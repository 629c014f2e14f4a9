#include "about/SystemInfoLauncher.h"

#include "os/ProgramStarter.h"
#include "uiservices/MessageBoxService.h"

namespace brellow::about {

SystemInfoLauncher::SystemInfoLauncher(os::Registry& registry, os::ProgramStarter& programs,
                                       uiservices::MessageBoxService& messageBoxes)
    : values_(registry), programs_(programs), messageBoxes_(messageBoxes) {}

bool SystemInfoLauncher::GetKeyValue(os::Registry::Key KeyRoot, const std::string& KeyName,
                                     const std::string& SubKeyRef, std::string& KeyVal) {
    return values_.GetKeyValue(KeyRoot, KeyName, SubKeyRef, KeyVal);
}

void SystemInfoLauncher::StartSysInfo() {
    bool started = false;
    // One handler for the whole search: whatever goes wrong on the way, the user gets the
    // same message and no details.
    try {
        started = startTool();
    } catch (...) {
        started = false;
    }
    if (!started) {
        messageBoxes_.Show(QString::fromLatin1(kUnavailable),
                           uiservices::MessageBoxService::kOkOnly);
    }
}

bool SystemInfoLauncher::startTool() {
    std::string path;
    if (!GetKeyValue(os::Registry::kLocalMachine, kToolKey, kToolValue, path)) {
        if (!GetKeyValue(os::Registry::kLocalMachine, kFolderKey, kFolderValue, path)) {
            return false;
        }
        // The folder is used as written: a trailing backslash gives a doubled one.
        if (programs_.FindFile(path + kToolFile).empty()) {
            return false;
        }
        path += kToolFile;
    }
    programs_.Start(path, os::ProgramStarter::kNormalFocus);
    return true;
}

} // namespace brellow::about
