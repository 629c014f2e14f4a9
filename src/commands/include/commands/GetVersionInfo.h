#pragma once

#include "commands/ConnectionRequest.h"
#include "commands/ServerAnswers.h"

#include <functional>

namespace brellow::ado {
class ComponentFactory;
} // namespace brellow::ado

namespace brellow::uiservices {
class MessageBoxService;
class MousePointer;
} // namespace brellow::uiservices

namespace brellow::commands {

// Get Version Info: the hourglass, the connection, the version query, and the server's answers
// handed to the window, which has emptied its fields before.
class GetVersionInfo {
public:
    // Receives the answers once, as far as the server gave them, before a failure is reported.
    using ShowAnswers = std::function<void(const ServerAnswers&)>;

    GetVersionInfo(ado::ComponentFactory& components, uiservices::MessageBoxService& messageBoxes,
                   uiservices::MousePointer& mousePointer);

    void run(const ConnectionRequest& request, const ShowAnswers& show);

private:
    ado::ComponentFactory& components_;
    uiservices::MessageBoxService& messageBoxes_;
    uiservices::MousePointer& mousePointer_;
};

} // namespace brellow::commands
