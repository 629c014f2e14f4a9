#include "about/WebLinkLauncher.h"

#include "os/Shell.h"
#include "uiservices/MessageBoxService.h"

#include <array>

namespace brellow::about {

WebLinkLauncher::WebLinkLauncher(os::Shell& shell, uiservices::MessageBoxService& messageBoxes)
    : shell_(shell), messageBoxes_(messageBoxes) {
    shell_.SetLateFailureReport([&messageBoxes](std::uint32_t error) {
        // Runs from the event loop, where nothing may escape.
        try {
            ShowLastError(messageBoxes, error);
        } catch (...) {
        }
    });
}

void WebLinkLauncher::ShowLastError(uiservices::MessageBoxService& messageBoxes,
                                    std::uint32_t error) {
    messageBoxes.Show(QStringLiteral("API Error #%1 was returned from GetLastError()").arg(error),
                      uiservices::MessageBoxService::kExclamation);
}

QString WebLinkLauncher::AddressFor(const QString& caption) {
    QString address = caption.toLower();
    // Anywhere in the text counts, so an address whose query carries another address is
    // left alone. The secure scheme is a scheme too: putting "http://" in front of it
    // would make an address no handler can open.
    static const std::array<QString, 3> kSchemes{
        QStringLiteral("http://"), QStringLiteral("https://"), QStringLiteral("ftp://")};
    for (const QString& scheme : kSchemes) {
        if (address.contains(scheme, Qt::CaseSensitive)) {
            return address;
        }
    }
    return QStringLiteral("http://") + address;
}

void WebLinkLauncher::OpenURL(std::uintptr_t ownerWindow, const QString& address) {
    // A normal, visible window: a hidden one would leave a newly started browser invisible.
    LaunchApp(ownerWindow, AddressFor(address), os::Shell::kShowNormal);
}

void WebLinkLauncher::LaunchApp(std::uintptr_t ownerWindow, const QString& strDocName,
                                std::int32_t lngShowMode) {
    // Nothing from here may reach the click handler: a failure the shell reports is the
    // only one the user hears of.
    try {
        const std::int32_t result =
            shell_.Execute(ownerWindow, "open", strDocName.toLocal8Bit().toStdString(),
                           std::string(), std::string(), lngShowMode);
        if (result < kFirstSuccess) {
            ShowLastError(messageBoxes_, shell_.LastError());
        }
    } catch (...) {
        // Errors are not reported here beyond the shell's own refusal.
    }
}

} // namespace brellow::about
