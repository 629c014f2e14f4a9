#include "MainWindowCommands.h"

#include "commands/ServerCommand.h"
#include "commands/VersionQuery.h"
#include "mainwindow/AppServices.h"
#include "results/PropertiesListing.h"

namespace brellow::mainwindow {

MainWindowCommands::MainWindowCommands(AppServices& services, commands::ConnectionInputs& inputs,
                                       commands::ServerInfoLabels& labels, QWidget* owner)
    : services_(services), inputs_(inputs), labels_(labels), owner_(owner) {}

void MainWindowCommands::GetVersionInfo() {
    commands::VersionQuery query(labels_);
    commands::ServerCommand(services_.components, services_.messageBoxes, services_.mousePointer)
        .Run(inputs_, {.showBusyPointer = true, .clearServerInfo = true},
             [&query](ado::Connection& connection, std::unique_ptr<ado::Recordset>& recordset) {
                 query.Run(connection, recordset);
             });
}

void MainWindowCommands::ViewConnectionProperties() {
    results::PropertiesListing listing(services_.modal, owner_);
    commands::ServerCommand(services_.components, services_.messageBoxes, services_.mousePointer)
        .Run(inputs_, {.showBusyPointer = false, .clearServerInfo = false},
             [&listing](ado::Connection& connection, std::unique_ptr<ado::Recordset>& recordset) {
                 listing.Run(connection, recordset);
             });
}

} // namespace brellow::mainwindow
