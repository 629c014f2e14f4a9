#include "platform/PortableProgramStarter.h"

#include <QProcess>
#include <QString>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace brellow::platform {

std::string PortableProgramStarter::FindFile(const std::string& path) {
    std::error_code error;
    const std::filesystem::path file(path);
    if (path.empty() || !std::filesystem::is_regular_file(file, error)) {
        return {};
    }
    const std::string name = file.filename().string();
    // Hidden files do not count, as with the classic attribute-filtered file test.
    if (name.starts_with('.')) {
        return {};
    }
    return name;
}

void PortableProgramStarter::Start(const std::string& path, int /*windowStyle*/) {
    // A desktop program opens a normal, focused window of its own; there is no style to pass.
    if (path.empty() || !QProcess::startDetached(QString::fromStdString(path), {})) {
        throw std::runtime_error("The program could not be started: " + path);
    }
}

} // namespace brellow::platform
