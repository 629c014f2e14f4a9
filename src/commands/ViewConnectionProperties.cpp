#include "commands/ViewConnectionProperties.h"

#include "commands/PropertiesListing.h"

namespace brellow::commands {

ViewConnectionProperties::ViewConnectionProperties(ServerCommand& procedure)
    : procedure_(procedure) {}

void ViewConnectionProperties::run(const ConnectionRequest& request, const ShowRows& show) {
    procedure_.run(request, {.showBusyPointer = false},
                   [&show](ado::Connection& connection, std::unique_ptr<ado::Recordset>&) {
                       show(PropertiesListing::rows(connection));
                   });
}

} // namespace brellow::commands
