#pragma once

#include "db/Connection.h"
#include "db/Recordset.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace brellow::db {
class ComponentFactory;
}

namespace brellow::platform {
class MessageBoxService;
class MousePointer;
} // namespace brellow::platform

namespace brellow::server {

class ConnectionInputs;

// The one procedure both server commands run: connect with the window's inputs, do the
// command's own work while the connection is open, report a failure in one message box,
// and release everything. Nothing escapes it, so it can run straight from a Qt slot.
class ServerCommand {
public:
    // Given the open connection and the command's recordset, which it may replace with one
    // of its own. It reports failures by throwing.
    using WorkStep = std::function<void(db::Connection&, std::unique_ptr<db::Recordset>&)>;

    struct Options {
        bool showBusyPointer = false;
        bool clearServerInfo = false;
    };

    static constexpr const char* kAccessDeniedText =
        "The SQL Server is not available or you have been denied access!";
    static constexpr const char* kAccessDeniedTitle = "SQL Server Not Available/Access Denied";
    static constexpr const char* kProviderPiece = "Provider=SQLOLEDB.1;";

    ServerCommand(db::ComponentFactory& components, platform::MessageBoxService& messageBoxes,
                  platform::MousePointer& mousePointer);

    void Run(ConnectionInputs& inputs, Options options, const WorkStep& workStep);

private:
    struct Failure {
        bool raised = false;
        std::int32_t number = 0;
        std::string description;
    };

    void ComposeConnectionString(db::Connection& connection, ConnectionInputs& inputs) const;
    void Report(const Failure& failure);
    void TearDown(std::unique_ptr<db::Recordset>& recordset,
                  std::unique_ptr<db::Connection>& connection);

    db::ComponentFactory& components_;
    platform::MessageBoxService& messageBoxes_;
    platform::MousePointer& mousePointer_;
};

} // namespace brellow::server
