#include "os/linux/PortableProgramStarter.h"

#include "os/linux/CommandLine.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

namespace brellow::os {
namespace {

// A path read from outside may carry a zero byte; the system would silently cut it there
// and find or start a different file, so such a path names nothing.
bool isUsablePath(const std::string& path) {
    return !path.empty() && path.find('\0') == std::string::npos;
}

bool isProgram(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error) && ::access(path.c_str(), X_OK) == 0;
}

QString local(const std::string& text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
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
    if (isUsablePath(path)) {
        std::string program = path;
        QStringList arguments;
        if (!isProgram(program)) {
            std::vector<std::string> words = CommandLine::Split(path);
            program = words.empty() ? std::string() : words.front();
            for (std::size_t i = 1; i < words.size(); ++i) {
                arguments << local(words[i]);
            }
        }
        // Made absolute, so that a name without a folder means a file in the current folder, as
        // it does to Windows, rather than whatever the PATH holds under that name.
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(program, error);
        if (!error && isProgram(program) &&
            QProcess::startDetached(local(absolute.string()), arguments)) {
            return;
        }
    }
    throw std::runtime_error("The program could not be started: " + path);
}

} // namespace brellow::os
