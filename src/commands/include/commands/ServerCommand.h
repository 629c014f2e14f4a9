#pragma once

#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "commands/ConnectionRequest.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace brellow::ado {
class ComponentFactory;
} // namespace brellow::ado

namespace brellow::uiservices {
class MessageBoxService;
class MousePointer;
} // namespace brellow::uiservices

namespace brellow::commands {

// The one procedure both server commands run: connect with the request, do the command's own
// work while the connection is open, report a failure in one message box, and release
// everything. Nothing escapes it, so it can run straight from a Qt slot.
class ServerCommand {
public:
    // Given the open connection and the command's recordset, which it may replace with the one
    // its query gave: the procedure releases that one at the very end, after the pointer is
    // back and before the connection is closed, whether the step ended well or not. It
    // reports failures by throwing.
    using WorkStep = std::function<void(ado::Connection&, std::unique_ptr<ado::Recordset>&)>;

    struct Options {
        bool showBusyPointer = false;
    };

    static constexpr const char* kAccessDeniedText =
        "The SQL Server is not available or you have been denied access!";
    static constexpr const char* kAccessDeniedTitle = "SQL Server Not Available/Access Denied";
    static constexpr const char* kProviderPiece = "Provider=SQLOLEDB.1;";

    ServerCommand(ado::ComponentFactory& components, uiservices::MessageBoxService& messageBoxes,
                  uiservices::MousePointer& mousePointer);

    void run(const ConnectionRequest& request, Options options, const WorkStep& workStep);

private:
    struct Failure {
        bool raised = false;
        std::int32_t number = 0;
        std::string description;
    };

    void composeConnectionString(ado::Connection& connection,
                                 const ConnectionRequest& request) const;
    void report(const Failure& failure);
    void tearDown(std::unique_ptr<ado::Recordset>& recordset,
                  std::unique_ptr<ado::Connection>& connection);

    ado::ComponentFactory& components_;
    uiservices::MessageBoxService& messageBoxes_;
    uiservices::MousePointer& mousePointer_;
};

} // namespace brellow::commands
