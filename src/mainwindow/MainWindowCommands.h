#pragma once

class QWidget;

namespace brellow::commands {
class ConnectionInputs;
class ServerInfoLabels;
} // namespace brellow::commands

namespace brellow::mainwindow {

struct AppServices;

// The main window's two server commands: each hands the window's inputs and labels to the
// server-command procedure, with the services the window was given. The window is reached
// only through what these need of it, so the commands never depend on the window itself.
class MainWindowCommands {
public:
    // owner: the window the results window is shown over.
    MainWindowCommands(AppServices& services, commands::ConnectionInputs& inputs,
                       commands::ServerInfoLabels& labels, QWidget* owner);

    // Get Version Info: hourglass, labels emptied, then the version query.
    void GetVersionInfo();
    // View Connection Properties: no hourglass, labels left alone, then the listing in the
    // results window; returns once that window is closed.
    void ViewConnectionProperties();

private:
    AppServices& services_;
    commands::ConnectionInputs& inputs_;
    commands::ServerInfoLabels& labels_;
    QWidget* owner_;
};

} // namespace brellow::mainwindow
