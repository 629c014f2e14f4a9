#include "LinuxDesktop.h"

#include <QFileInfo>
#include <QObject>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <algorithm>

namespace brellow::os {
namespace {

// How a shell numbers the causes: a command that is not there, one that cannot be run, one
// that a signal ended.
constexpr std::uint32_t kNotInstalled = 127;
constexpr std::uint32_t kCannotRun = 126;
constexpr std::uint32_t kSignalled = 128;

QString local(const std::string& text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

// The program as a path to an executable file, or empty when there is none: a name with a
// folder as it is, a bare name on the PATH.
QString locate(const std::string& program) {
    const QString name = local(program);
    if (name.contains(QLatin1Char('/'))) {
        const QFileInfo file(name);
        return file.isFile() && file.isExecutable() ? file.absoluteFilePath() : QString();
    }
    return QStandardPaths::findExecutable(name);
}

void deliver(const std::weak_ptr<Desktop::LateFailure>& target, std::uint32_t error) {
    if (const auto alive = target.lock(); alive && *alive) {
        (*alive)(error);
    }
}

} // namespace

std::unique_ptr<Desktop> Desktop::create() {
    return std::make_unique<LinuxDesktop>();
}

std::vector<LinuxDesktop::Tool> LinuxDesktop::systemInformationTools() {
    return {{"/usr/bin/hardinfo", {}},
            {"/usr/bin/kinfocenter", {}},
            {"/usr/bin/gnome-control-center", {"info-overview"}},
            {"/usr/bin/xfce4-about", {}},
            {"/usr/bin/lshw-gtk", {}},
            {"/usr/sbin/lshw-gtk", {}}};
}

LinuxDesktop::LinuxDesktop(std::vector<Tool> tools, std::string opener)
    : tools_(std::move(tools)), opener_(std::move(opener)),
      report_(std::make_shared<LateFailure>()) {}

LinuxDesktop::~LinuxDesktop() = default;

bool LinuxDesktop::startSystemInformation() {
    // Looked for at every request, so that a tool installed while the program runs is found.
    const auto installed = std::find_if(tools_.begin(), tools_.end(), [](const Tool& tool) {
        return !locate(tool.program).isEmpty();
    });
    if (installed == tools_.end()) {
        return false;
    }
    QStringList arguments;
    for (const std::string& argument : installed->arguments) {
        arguments << local(argument);
    }
    // A desktop program opens a normal, focused window of its own.
    return QProcess::startDetached(locate(installed->program), arguments);
}

std::string LinuxDesktop::userDataFolder() {
    // $XDG_DATA_HOME, or ~/.local/share where it is not set.
    const QString home = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return home.isEmpty() ? std::string() : (home + QStringLiteral("/brellow")).toStdString();
}

std::string LinuxDesktop::userConfigFolder() {
    // $XDG_CONFIG_HOME, or ~/.config where it is not set.
    const QString home = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return home.isEmpty() ? std::string() : (home + QStringLiteral("/brellow")).toStdString();
}

void LinuxDesktop::setLateFailureReport(LateFailure report) {
    *report_ = std::move(report);
}

std::optional<std::uint32_t> LinuxDesktop::openWebAddress(const std::string& address,
                                                          std::uintptr_t /*ownerWindow*/) {
    // An empty address, or one xdg-open would take for an option, is no address; xdg-open
    // refuses what it cannot make sense of with its status 1.
    if (address.empty() || address.front() == '-' || address.find('\0') != std::string::npos) {
        return 1;
    }
    const QString program = locate(opener_);
    if (program.isEmpty()) {
        return kNotInstalled;
    }
    // Owned by itself: it goes once the opener has ended, never before, since destroying it
    // would kill a handler that is still running.
    auto* process = new QProcess;
    const std::weak_ptr<LateFailure> target = report_;
    QObject::connect(process, &QProcess::finished, process,
                     [process, target](int exitCode, QProcess::ExitStatus status) {
                         process->deleteLater();
                         if (status != QProcess::NormalExit) {
                             // Qt gives the signal's number as the code of a crashed process.
                             deliver(target, kSignalled + static_cast<std::uint32_t>(exitCode));
                         } else if (exitCode != 0) {
                             deliver(target, static_cast<std::uint32_t>(exitCode));
                         }
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, target](QProcess::ProcessError error) {
                         // Only a failed start ends without the finished signal.
                         if (error == QProcess::FailedToStart) {
                             process->deleteLater();
                             deliver(target, kCannotRun);
                         }
                     });
    // No pipes: nobody would read them, and a full one would stall a browser.
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    process->start(program, {local(address)});
    return std::nullopt;
}

} // namespace brellow::os
