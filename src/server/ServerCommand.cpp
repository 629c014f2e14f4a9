#include "server/ServerCommand.h"

#include "db/ComponentFactory.h"
#include "db/DbError.h"
#include "db/ErrorNumbers.h"
#include "platform/MessageBoxService.h"
#include "platform/MousePointer.h"
#include "server/ConnectionInputs.h"
#include "server/ConnectionStringValue.h"

#include <exception>

namespace brellow::server {
namespace {

// Raised for failures that carry no number of their own (a std::exception, or a component
// error that claims number 0), so that they are reported with their text rather than taken
// for success.
constexpr std::int32_t kUnexpected = static_cast<std::int32_t>(0x8000FFFFu);

void append(db::Connection& connection, const std::string& piece) {
    connection.SetConnectionString(connection.ConnectionString() + piece);
}

} // namespace

ServerCommand::ServerCommand(db::ComponentFactory& components,
                             platform::MessageBoxService& messageBoxes,
                             platform::MousePointer& mousePointer)
    : components_(components), messageBoxes_(messageBoxes), mousePointer_(mousePointer) {}

void ServerCommand::Run(ConnectionInputs& inputs, Options options, const WorkStep& workStep) {
    std::unique_ptr<db::Connection> connection;
    std::unique_ptr<db::Recordset> recordset;
    Failure failure;
    try {
        if (options.showBusyPointer) {
            mousePointer_.Set(platform::MousePointer::kHourglass);
        }
        if (options.clearServerInfo) {
            inputs.ClearServerInfo();
        }
        connection = db::CreateObjectAs<db::Connection>(components_, db::kConnectionProgId);
        recordset = db::CreateObjectAs<db::Recordset>(components_, db::kRecordsetProgId);
        ComposeConnectionString(*connection, inputs);
        connection->Open();
        if (connection->State() == db::Connection::kStateOpen && workStep) {
            workStep(*connection, recordset);
        }
    } catch (const db::DbError& error) {
        failure = {true, error.number() == 0 ? kUnexpected : error.number(), error.description()};
    } catch (const std::exception& error) {
        failure = {true, kUnexpected, error.what()};
    } catch (...) {
        failure = {true, kUnexpected, "Unexpected error"};
    }
    Report(failure);
    TearDown(recordset, connection);
}

void ServerCommand::ComposeConnectionString(db::Connection& connection,
                                            ConnectionInputs& inputs) const {
    // The inputs are read once each, in this order, and only as far as the choice needs.
    const std::string serverName = inputs.ServerName().toStdString();
    connection.SetConnectionString(kProviderPiece);
    append(connection, "Data Source=" + QuoteConnectionStringValue(serverName) + ";");
    if (inputs.SecurityChoice() == 0) {
        append(connection, "Integrated Security=SSPI;");
        return;
    }
    const std::string userName = inputs.UserName().toStdString();
    append(connection, "User Id = " + QuoteConnectionStringValue(userName) + ";");
    const std::string password = inputs.Password().toStdString();
    append(connection, "Password = " + QuoteConnectionStringValue(password) + ";");
}

void ServerCommand::Report(const Failure& failure) {
    if (!failure.raised) {
        return;
    }
    try {
        if (failure.number == db::errors::kFail) {
            messageBoxes_.Show(QString::fromUtf8(kAccessDeniedText),
                               platform::MessageBoxService::kCritical,
                               QString::fromUtf8(kAccessDeniedTitle));
        } else {
            messageBoxes_.Show(QString::fromStdString(failure.description),
                               platform::MessageBoxService::kOkOnly);
        }
    } catch (...) {
        // The report is the last thing a failure can do; the teardown must still run.
    }
}

void ServerCommand::TearDown(std::unique_ptr<db::Recordset>& recordset,
                             std::unique_ptr<db::Connection>& connection) {
    // Each step runs whatever the one before it did: the command must end with nothing held.
    try {
        mousePointer_.Set(platform::MousePointer::kArrow);
    } catch (...) {
    }
    recordset.reset();
    if (connection) {
        try {
            if (connection->State() == db::Connection::kStateOpen) {
                connection->Close();
            }
        } catch (...) {
        }
        connection.reset();
    }
}

} // namespace brellow::server
