#include "about/SystemInfoLauncher.h"

#include "platform/MessageBoxService.h"
#include "platform/ProgramStarter.h"

namespace brellow::about {

SystemInfoLauncher::SystemInfoLauncher(platform::Registry& registry,
                                       platform::ProgramStarter& programs,
                                       platform::MessageBoxService& messageBoxes)
    : values_(registry), programs_(programs), messageBoxes_(messageBoxes) {}

bool SystemInfoLauncher::GetKeyValue(platform::Registry::Key KeyRoot, const std::string& KeyName,
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
        messageBoxes_.Show(QString::fromLatin1(kUnavailable), platform::MessageBoxService::kOkOnly);
    }
}

bool SystemInfoLauncher::startTool() {
    std::string path;
    if (!GetKeyValue(platform::Registry::kLocalMachine, kToolKey, kToolValue, path)) {
        if (!GetKeyValue(platform::Registry::kLocalMachine, kFolderKey, kFolderValue, path)) {
            return false;
        }
        // The folder is used as written: a trailing backslash gives a doubled one.
        if (programs_.FindFile(path + kToolFile).empty()) {
            return false;
        }
        path += kToolFile;
    }
    programs_.Start(path, platform::ProgramStarter::kNormalFocus);
    return true;
}

} // namespace brellow::about
