#include "platform/DesktopShell.h"

#include <QDesktopServices>
#include <QUrl>

namespace brellow::platform {
namespace {

// The codes ShellExecute uses for the same causes.
constexpr std::int32_t kSeErrNoAssoc = 31;
constexpr std::int32_t kAccepted = 42;
constexpr std::uint32_t kErrorNoAssociation = 1155;

} // namespace

std::int32_t DesktopShell::Execute(std::uintptr_t /*ownerWindow*/, const std::string& /*verb*/,
                                   const std::string& file, const std::string& /*parameters*/,
                                   const std::string& /*directory*/, std::int32_t /*showCommand*/) {
    const QUrl url(QString::fromStdString(file));
    if (QDesktopServices::openUrl(url)) {
        lastError_ = 0;
        return kAccepted;
    }
    lastError_ = kErrorNoAssociation;
    return kSeErrNoAssoc;
}

} // namespace brellow::platform
