#pragma once

#include "server/ConnectionInputs.h"
#include "server/ServerInfoLabels.h"

namespace brellow::app {
class FrmMain;
}

namespace brellow::server {

// Runs the two server commands for the main window: it hands the window's inputs and
// labels to the server-command procedure and wires in the services the window was given.
class MainWindowCommands final : public ConnectionInputs, public ServerInfoLabels {
public:
    explicit MainWindowCommands(app::FrmMain& frmMain);

    // Get Version Info: hourglass, labels emptied, then the version query.
    void GetVersionInfo();
    // View Connection Properties: no hourglass, labels left alone, then the listing in the
    // results window; returns once that window is closed.
    void ViewConnectionProperties();

    QString ServerName() const override;
    int SecurityChoice() const override;
    QString UserName() const override;
    QString Password() const override;
    void ClearServerInfo() override;

    void SetEdition(const QString& text) override;
    void SetVersion(const QString& text) override;
    void SetSPLevel(const QString& text) override;

private:
    app::FrmMain& frmMain_;
};

} // namespace brellow::server
