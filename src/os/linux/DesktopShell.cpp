#include "os/linux/DesktopShell.h"

#include <QFileInfo>
#include <QObject>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

namespace brellow::os {
namespace {

// ShellExecute's results and the last-error codes that go with them.
constexpr std::int32_t kAccepted = 42;
constexpr std::int32_t kSeErrFileNotFound = 2;   // SE_ERR_FNF
constexpr std::int32_t kSeErrNoAssociation = 31; // SE_ERR_NOASSOC
constexpr std::int32_t kSeErrOther = 0;          // the catch-all result
constexpr std::uint32_t kErrorFileNotFound = 2;
constexpr std::uint32_t kErrorInvalidParameter = 87;
constexpr std::uint32_t kErrorOpenFailed = 110;
constexpr std::uint32_t kErrorNoAssociation = 1155;

// xdg-open's documented exit codes.
constexpr int kOpenerSyntax = 1;
constexpr int kOpenerFileNotFound = 2;
constexpr int kOpenerNoTool = 3;

// The opener as a path to an executable file, or empty when there is none.
QString locate(const std::string& opener) {
    const QString name = QString::fromStdString(opener);
    if (name.contains(QLatin1Char('/'))) {
        const QFileInfo file(name);
        return file.isFile() && file.isExecutable() ? file.absoluteFilePath() : QString();
    }
    return QStandardPaths::findExecutable(name);
}

void deliver(const std::weak_ptr<Shell::LateFailureReport>& target, std::uint32_t lastError) {
    if (const auto alive = target.lock(); alive && *alive) {
        (*alive)(lastError);
    }
}

} // namespace

DesktopShell::DesktopShell(std::string opener)
    : opener_(std::move(opener)), report_(std::make_shared<LateFailureReport>()) {}

DesktopShell::~DesktopShell() = default;

void DesktopShell::SetLateFailureReport(LateFailureReport report) {
    *report_ = std::move(report);
}

std::int32_t DesktopShell::fail(std::int32_t result, std::uint32_t lastError) {
    lastError_ = lastError;
    return result;
}

std::uint32_t DesktopShell::LastErrorForExit(bool crashed, int exitCode) {
    if (crashed) {
        return kErrorOpenFailed;
    }
    switch (exitCode) {
    case 0:
        return 0;
    case kOpenerSyntax:
        return kErrorInvalidParameter;
    case kOpenerFileNotFound:
        return kErrorFileNotFound;
    case kOpenerNoTool:
        return kErrorNoAssociation;
    default: // 4, the handler's action failed, and anything undocumented
        return kErrorOpenFailed;
    }
}

std::int32_t DesktopShell::Execute(std::uintptr_t /*ownerWindow*/, const std::string& verb,
                                   const std::string& file, const std::string& /*parameters*/,
                                   const std::string& /*directory*/, std::int32_t /*showCommand*/) {
    // The desktop knows one verb; it is also the shell's default.
    if (!verb.empty() && verb != "open") {
        return fail(kSeErrNoAssociation, kErrorNoAssociation);
    }
    // An empty name, or one xdg-open would take for an option, is no document.
    if (file.empty() || file.front() == '-' || file.find('\0') != std::string::npos) {
        return fail(kSeErrOther, kErrorInvalidParameter);
    }
    const QString program = locate(opener_);
    if (program.isEmpty()) {
        return fail(kSeErrFileNotFound, kErrorFileNotFound);
    }

    // Owned by itself: it goes once the opener has ended, never before, since destroying it
    // would kill a handler that is still running.
    auto* process = new QProcess;
    const std::weak_ptr<LateFailureReport> target = report_;
    QObject::connect(process, &QProcess::finished, process,
                     [process, target](int exitCode, QProcess::ExitStatus status) {
                         process->deleteLater();
                         const std::uint32_t error =
                             LastErrorForExit(status != QProcess::NormalExit, exitCode);
                         if (error != 0) {
                             deliver(target, error);
                         }
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, target](QProcess::ProcessError error) {
                         // Only a failed start ends without the finished signal.
                         if (error == QProcess::FailedToStart) {
                             process->deleteLater();
                             deliver(target, kErrorFileNotFound);
                         }
                     });
    // No pipes: nobody would read them, and a full one would stall a browser.
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    process->start(program,
                   {QString::fromLocal8Bit(file.data(), static_cast<qsizetype>(file.size()))});
    lastError_ = 0;
    return kAccepted;
}

} // namespace brellow::os
