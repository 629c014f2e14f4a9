#pragma once

#include "commands/ConnectionRequest.h"

#include <QStringList>
#include <functional>

namespace brellow::ado {
class ComponentFactory;
} // namespace brellow::ado

namespace brellow::uiservices {
class MessageBoxService;
class MousePointer;
} // namespace brellow::uiservices

namespace brellow::commands {

// View Connection Properties: no hourglass, the connection, and every property it reports
// handed to the window as rows; the connection stays open until they have been seen.
class ViewConnectionProperties {
public:
    // Shows the rows and returns once the user has closed what shows them. Only called when
    // every row could be read.
    using ShowRows = std::function<void(const QStringList& rows)>;

    ViewConnectionProperties(ado::ComponentFactory& components,
                             uiservices::MessageBoxService& messageBoxes,
                             uiservices::MousePointer& mousePointer);

    void run(const ConnectionRequest& request, const ShowRows& show);

private:
    ado::ComponentFactory& components_;
    uiservices::MessageBoxService& messageBoxes_;
    uiservices::MousePointer& mousePointer_;
};

} // namespace brellow::commands
