#include "server/MainWindowCommands.h"

#include "common/AppServices.h"
#include "results/PropertiesListing.h"
#include "server/ServerCommand.h"
#include "server/VersionQuery.h"

namespace brellow::server {

MainWindowCommands::MainWindowCommands(common::AppServices& services, ConnectionInputs& inputs,
                                       ServerInfoLabels& labels, QWidget* owner)
    : services_(services), inputs_(inputs), labels_(labels), owner_(owner) {}

void MainWindowCommands::GetVersionInfo() {
    VersionQuery query(labels_);
    ServerCommand(services_.components, services_.messageBoxes, services_.mousePointer)
        .Run(inputs_, {.showBusyPointer = true, .clearServerInfo = true},
             [&query](db::Connection& connection, std::unique_ptr<db::Recordset>& recordset) {
                 query.Run(connection, recordset);
             });
}

void MainWindowCommands::ViewConnectionProperties() {
    results::PropertiesListing listing(services_.modal, owner_);
    ServerCommand(services_.components, services_.messageBoxes, services_.mousePointer)
        .Run(inputs_, {.showBusyPointer = false, .clearServerInfo = false},
             [&listing](db::Connection& connection, std::unique_ptr<db::Recordset>& recordset) {
                 listing.Run(connection, recordset);
             });
}

} // namespace brellow::server
