#include "platform/DesktopShell.h"

#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace brellow::platform {
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

} // namespace

DesktopShell::DesktopShell(std::string opener, int waitMs)
    : opener_(std::move(opener)), waitMs_(waitMs) {}

std::int32_t DesktopShell::fail(std::int32_t result, std::uint32_t lastError) {
    lastError_ = lastError;
    return result;
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

    // Owned by itself from here: a handler still running when the wait ends must not be
    // killed with the object, so the object goes only when the process has finished.
    auto* opener = new QProcess;
    QObject::connect(opener, &QProcess::finished, opener, &QObject::deleteLater);
    // No pipes: nobody reads them once the wait is over, and a full one would stall a browser.
    opener->setProcessChannelMode(QProcess::ForwardedChannels);
    opener->setStandardInputFile(QProcess::nullDevice());
    opener->start(QString::fromStdString(opener_),
                  {QString::fromLocal8Bit(file.data(), static_cast<qsizetype>(file.size()))});
    if (!opener->waitForStarted(waitMs_)) {
        if (opener->error() == QProcess::FailedToStart) {
            delete opener;
            return fail(kSeErrFileNotFound, kErrorFileNotFound);
        }
        return fail(kSeErrOther, kErrorOpenFailed); // still starting: left to finish alone
    }
    if (!opener->waitForFinished(waitMs_)) {
        lastError_ = 0;
        return kAccepted;
    }
    const bool crashed = opener->exitStatus() != QProcess::NormalExit;
    const int code = opener->exitCode();
    delete opener;
    if (crashed) {
        return fail(kSeErrOther, kErrorOpenFailed);
    }
    switch (code) {
    case 0:
        lastError_ = 0;
        return kAccepted;
    case kOpenerSyntax:
        return fail(kSeErrOther, kErrorInvalidParameter);
    case kOpenerFileNotFound:
        return fail(kSeErrFileNotFound, kErrorFileNotFound);
    case kOpenerNoTool:
        return fail(kSeErrNoAssociation, kErrorNoAssociation);
    default: // 4, the handler's action failed, and anything undocumented
        return fail(kSeErrOther, kErrorOpenFailed);
    }
}

} // namespace brellow::platform
