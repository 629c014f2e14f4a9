#pragma once

class QWidget;

namespace brellow::common {
struct AppServices;
}

namespace brellow::server {

class ConnectionInputs;
class ServerInfoLabels;

// The main window's two server commands: each hands the window's inputs and labels to the
// server-command procedure, with the services the window was given. The window is reached
// only through what these need of it, so this folder never depends on the window's own.
class MainWindowCommands {
public:
    // owner: the window the results window is shown over.
    MainWindowCommands(common::AppServices& services, ConnectionInputs& inputs,
                       ServerInfoLabels& labels, QWidget* owner);

    // Get Version Info: hourglass, labels emptied, then the version query.
    void GetVersionInfo();
    // View Connection Properties: no hourglass, labels left alone, then the listing in the
    // results window; returns once that window is closed.
    void ViewConnectionProperties();

private:
    common::AppServices& services_;
    ConnectionInputs& inputs_;
    ServerInfoLabels& labels_;
    QWidget* owner_;
};

} // namespace brellow::server
