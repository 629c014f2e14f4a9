#pragma once

#include <QString>
#include <cstdint>

namespace brellow::os {
class Desktop;
} // namespace brellow::os

namespace brellow::uiservices {
class MessageBoxService;
} // namespace brellow::uiservices

namespace brellow::about {

// The About box's web link: turns the link's caption into an address, asks the desktop to open
// it, and tells the user the system's error number when it could not be opened, be it at once
// or, where the desktop's opener runs on after the request, later.
class WebLinkLauncher {
public:
    // Hands the desktop the report for failures that come later. It holds only the message
    // boxes, so a failure that comes after the About box has closed is still told.
    WebLinkLauncher(os::Desktop& desktop, uiservices::MessageBoxService& messageBoxes);

    // The address the desktop is given for a caption: lower case throughout, with "http://"
    // in front unless it already names a web or ftp address somewhere in it.
    static QString addressFor(const QString& caption);
    // "API Error #N was returned from GetLastError()", the message of a refusal.
    static QString refusalText(std::uint32_t error);

    // Opens the caption's address for the window ownerWindow. Nothing gets out of it.
    void open(std::uintptr_t ownerWindow, const QString& caption);

private:
    static void tellRefusal(uiservices::MessageBoxService& messageBoxes, std::uint32_t error);

    os::Desktop& desktop_;
    uiservices::MessageBoxService& messageBoxes_;
};

} // namespace brellow::about
