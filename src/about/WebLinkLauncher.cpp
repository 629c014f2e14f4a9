#include "about/WebLinkLauncher.h"

#include "os/Desktop.h"
#include "uiservices/MessageBoxService.h"

#include <array>

namespace brellow::about {

WebLinkLauncher::WebLinkLauncher(os::Desktop& desktop, uiservices::MessageBoxService& messageBoxes)
    : desktop_(desktop), messageBoxes_(messageBoxes) {
    desktop_.setLateFailureReport([&messageBoxes](std::uint32_t error) {
        // Runs from the event loop, where nothing may escape.
        try {
            tellRefusal(messageBoxes, error);
        } catch (...) {
        }
    });
}

QString WebLinkLauncher::refusalText(std::uint32_t error) {
    return QStringLiteral("API Error #%1 was returned from GetLastError()").arg(error);
}

void WebLinkLauncher::tellRefusal(uiservices::MessageBoxService& messageBoxes,
                                  std::uint32_t error) {
    messageBoxes.show(refusalText(error), uiservices::MessageBoxService::kExclamation);
}

QString WebLinkLauncher::addressFor(const QString& caption) {
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

void WebLinkLauncher::open(std::uintptr_t ownerWindow, const QString& caption) {
    // Nothing from here may reach the click handler: a refusal is the only failure the user
    // hears of.
    try {
        const QByteArray address = addressFor(caption).toLocal8Bit();
        if (const std::optional<std::uint32_t> refused = desktop_.openWebAddress(
                std::string(address.constData(), static_cast<std::size_t>(address.size())),
                ownerWindow)) {
            tellRefusal(messageBoxes_, *refused);
        }
    } catch (...) {
    }
}

} // namespace brellow::about
