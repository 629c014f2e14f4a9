#include "platform/PortableProgramStarter.h"

#include <QProcess>
#include <QString>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace brellow::platform {
namespace {

// A path read from outside may carry a zero byte; the system would silently cut it there
// and find or start a different file, so such a path names nothing.
bool isUsablePath(const std::string& path) {
    return !path.empty() && path.find('\0') == std::string::npos;
}

} // namespace

std::string PortableProgramStarter::FindFile(const std::string& path) {
    if (!isUsablePath(path)) {
        return {};
    }
    std::error_code error;
    const std::filesystem::path file(path);
    if (!std::filesystem::is_regular_file(file, error)) {
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
    if (!isUsablePath(path) ||
        !QProcess::startDetached(
            QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size())), {})) {
        throw std::runtime_error("The program could not be started: " + path);
    }
}

} // namespace brellow::platform
