#pragma once

#include <QString>

namespace brellow::commands {

// What a server command connects with: the main window's connection inputs as they stood when
// the command was given, each read once. The texts are used exactly as typed.
struct ConnectionRequest {
    QString serverName;
    // "Do Not Use Integrated Security" left clear: the login of the user who runs the program.
    bool integratedSecurity = true;
    // A SQL Server login's; never read, and so empty, under integrated security.
    QString userName;
    QString password;
};

} // namespace brellow::commands
