#pragma once

#include <QIcon>
#include <QString>

class QApplication;

namespace brellow::windowkit {

// The program's name, version and icon as the running program presents them. The values
// come from the generated build identity, which the Windows version resource shares.
class ProgramIdentity {
public:
    static QString productName();
    // "major.minor.revision", each number in decimal without leading zeros.
    static QString version();
    static QString comments();
    // The maker's web address, bare: no scheme, lower case.
    static QString webAddress();
    // The navy disc with the white "i", at every size the resources hold; each size is read
    // when first drawn.
    static QIcon icon();
    // Gives the application its name and version. No display name: Qt would append it to
    // every window title.
    static void apply();
    // Gives the application its window icon, for the windows without one of their own, once
    // the event loop runs.
    static void applyIconLater(QApplication& application);
};

} // namespace brellow::windowkit
