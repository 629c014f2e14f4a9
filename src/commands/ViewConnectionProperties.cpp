#include "commands/ViewConnectionProperties.h"

#include "commands/PropertiesListing.h"
#include "commands/ServerCommand.h"

namespace brellow::commands {

ViewConnectionProperties::ViewConnectionProperties(ado::ComponentFactory& components,
                                                   uiservices::MessageBoxService& messageBoxes,
                                                   uiservices::MousePointer& mousePointer)
    : components_(components), messageBoxes_(messageBoxes), mousePointer_(mousePointer) {}

void ViewConnectionProperties::run(const ConnectionRequest& request, const ShowRows& show) {
    ServerCommand(components_, messageBoxes_, mousePointer_)
        .run(request, {.showBusyPointer = false},
             [&show](ado::Connection& connection, std::unique_ptr<ado::Recordset>&) {
                 show(PropertiesListing::rows(connection));
             });
}

} // namespace brellow::commands
