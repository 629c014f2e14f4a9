#pragma once

#include <QString>
#include <cstdint>

namespace brellow::uiservices {
class MessageBoxService;
} // namespace brellow::uiservices

namespace brellow::os {
class Shell;
} // namespace brellow::os

namespace brellow::about {

// The About box's web link: turns the link's caption into an address and asks the shell to
// open it, telling the user the system's error number when the shell refuses, be it at once or,
// on a desktop whose opener runs on after the request, later.
class WebLinkLauncher {
public:
    static constexpr std::int32_t kFirstSuccess = 32;

    // Hands the shell the report for failures that come later. It holds only the message
    // boxes, so a failure that comes after the About box has closed is still told.
    WebLinkLauncher(os::Shell& shell, uiservices::MessageBoxService& messageBoxes);

    // The address the shell is given for a caption: lower case throughout, with "http://"
    // in front unless it already names a web or ftp address somewhere in it.
    static QString AddressFor(const QString& caption);

    // Opens the caption's address in a normal window. Failures end in LaunchApp's message.
    void OpenURL(std::uintptr_t ownerWindow, const QString& address);
    // Hands the document to the shell's "open" verb; a result below 32 shows the thread's
    // last error number. Nothing gets out of it.
    void LaunchApp(std::uintptr_t ownerWindow, const QString& strDocName, std::int32_t lngShowMode);

private:
    static void ShowLastError(uiservices::MessageBoxService& messageBoxes, std::uint32_t error);

    os::Shell& shell_;
    uiservices::MessageBoxService& messageBoxes_;
};

} // namespace brellow::about
