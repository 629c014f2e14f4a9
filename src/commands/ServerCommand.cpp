#include "commands/ServerCommand.h"

#include "ado/ComponentFactory.h"
#include "ado/DbError.h"
#include "ado/ErrorNumbers.h"
#include "commands/ConnectionInputs.h"
#include "commands/ConnectionStringValue.h"
#include "uiservices/MessageBoxService.h"
#include "uiservices/MousePointer.h"

#include <exception>

namespace brellow::commands {
namespace {

// Raised for failures that carry no number of their own (a std::exception, or a component
// error that claims number 0), so that they are reported with their text rather than taken
// for success.
constexpr std::int32_t kUnexpected = static_cast<std::int32_t>(0x8000FFFFu);

void append(ado::Connection& connection, const std::string& piece) {
    connection.SetConnectionString(connection.ConnectionString() + piece);
}

} // namespace

ServerCommand::ServerCommand(ado::ComponentFactory& components,
                             uiservices::MessageBoxService& messageBoxes,
                             uiservices::MousePointer& mousePointer)
    : components_(components), messageBoxes_(messageBoxes), mousePointer_(mousePointer) {}

void ServerCommand::Run(ConnectionInputs& inputs, Options options, const WorkStep& workStep) {
    std::unique_ptr<ado::Connection> connection;
    std::unique_ptr<ado::Recordset> recordset;
    Failure failure;
    try {
        if (options.showBusyPointer) {
            mousePointer_.Set(uiservices::MousePointer::kHourglass);
        }
        if (options.clearServerInfo) {
            inputs.ClearServerInfo();
        }
        connection = ado::CreateObjectAs<ado::Connection>(components_, ado::kConnectionProgId);
        recordset = ado::CreateObjectAs<ado::Recordset>(components_, ado::kRecordsetProgId);
        ComposeConnectionString(*connection, inputs);
        connection->Open();
        if (connection->State() == ado::Connection::kStateOpen && workStep) {
            workStep(*connection, recordset);
        }
    } catch (const ado::DbError& error) {
        failure = {true, error.number() == 0 ? kUnexpected : error.number(), error.description()};
    } catch (const std::exception& error) {
        failure = {true, kUnexpected, error.what()};
    } catch (...) {
        failure = {true, kUnexpected, "Unexpected error"};
    }
    Report(failure);
    TearDown(recordset, connection);
}

void ServerCommand::ComposeConnectionString(ado::Connection& connection,
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
        if (failure.number == ado::errors::kFail) {
            messageBoxes_.Show(QString::fromUtf8(kAccessDeniedText),
                               uiservices::MessageBoxService::kCritical,
                               QString::fromUtf8(kAccessDeniedTitle));
        } else {
            messageBoxes_.Show(QString::fromStdString(failure.description),
                               uiservices::MessageBoxService::kOkOnly);
        }
    } catch (...) {
        // The report is the last thing a failure can do; the teardown must still run.
    }
}

void ServerCommand::TearDown(std::unique_ptr<ado::Recordset>& recordset,
                             std::unique_ptr<ado::Connection>& connection) {
    // Each step runs whatever the one before it did: the command must end with nothing held.
    try {
        mousePointer_.Set(uiservices::MousePointer::kArrow);
    } catch (...) {
    }
    recordset.reset();
    if (connection) {
        try {
            if (connection->State() == ado::Connection::kStateOpen) {
                connection->Close();
            }
        } catch (...) {
        }
        connection.reset();
    }
}

} // namespace brellow::commands
