#include "server/MainWindowCommands.h"

#include "app/AppServices.h"
#include "app/FrmMain.h"
#include "results/PropertiesListing.h"
#include "server/ServerCommand.h"
#include "server/VersionQuery.h"

namespace brellow::server {

MainWindowCommands::MainWindowCommands(app::FrmMain& frmMain) : frmMain_(frmMain) {}

void MainWindowCommands::GetVersionInfo() {
    app::AppServices& services = frmMain_.Services();
    VersionQuery query(*this);
    ServerCommand(services.components, services.messageBoxes, services.mousePointer)
        .Run(*this, {.showBusyPointer = true, .clearServerInfo = true},
             [&query](db::Connection& connection, std::unique_ptr<db::Recordset>& recordset) {
                 query.Run(connection, recordset);
             });
}

void MainWindowCommands::ViewConnectionProperties() {
    app::AppServices& services = frmMain_.Services();
    results::PropertiesListing listing(services.modal, &frmMain_);
    ServerCommand(services.components, services.messageBoxes, services.mousePointer)
        .Run(*this, {.showBusyPointer = false, .clearServerInfo = false},
             [&listing](db::Connection& connection, std::unique_ptr<db::Recordset>& recordset) {
                 listing.Run(connection, recordset);
             });
}

QString MainWindowCommands::ServerName() const {
    return frmMain_.ServerName();
}

int MainWindowCommands::SecurityChoice() const {
    return frmMain_.SecurityChoice();
}

QString MainWindowCommands::UserName() const {
    return frmMain_.UserName();
}

QString MainWindowCommands::Password() const {
    return frmMain_.Password();
}

void MainWindowCommands::ClearServerInfo() {
    frmMain_.ClearServerInfo();
}

void MainWindowCommands::SetEdition(const QString& text) {
    frmMain_.SetEdition(text);
}

void MainWindowCommands::SetVersion(const QString& text) {
    frmMain_.SetVersion(text);
}

void MainWindowCommands::SetSPLevel(const QString& text) {
    frmMain_.SetSPLevel(text);
}

} // namespace brellow::server
