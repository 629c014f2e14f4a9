#include "commands/ServerCommand.h"

#include "ado/ComponentFactory.h"
#include "ado/DbError.h"
#include "ado/ErrorNumbers.h"
#include "connstring/ConnectionStringParser.h"
#include "text/Scrub.h"
#include "uiservices/MessageBoxService.h"
#include "uiservices/MousePointer.h"

#include <exception>

namespace brellow::commands {
namespace {

// Raised for failures that carry no number of their own (a std::exception, or a component
// error that claims number 0), so that they are reported with their text rather than taken
// for success.
constexpr std::int32_t kUnexpected = static_cast<std::int32_t>(0x8000FFFFu);

// Appends a piece to what the connection reads back, as the string is composed piece by piece.
// What is read back and written holds the password once it has been appended: each copy is
// wiped once it has been handed on.
void append(ado::Connection& connection, std::string piece) {
    std::string text = connection.connectionString();
    text += piece;
    connection.setConnectionString(text);
    text::scrub(text);
    text::scrub(piece);
}

// A typed value as the connection string carries it: as it is, but quoted where it would
// otherwise break the string (a ";" in a password).
std::string valueOf(const QString& typed) {
    std::string text = typed.toStdString();
    std::string value = connstring::ConnectionStringParser::quoteValue(text);
    text::scrub(text);
    return value;
}

} // namespace

ServerCommand::ServerCommand(ado::ComponentFactory& components,
                             uiservices::MessageBoxService& messageBoxes,
                             uiservices::MousePointer& mousePointer)
    : components_(components), messageBoxes_(messageBoxes), mousePointer_(mousePointer) {}

void ServerCommand::run(const ConnectionRequest& request, Options options,
                        const WorkStep& workStep) {
    std::unique_ptr<ado::Connection> connection;
    std::unique_ptr<ado::Recordset> recordset;
    Failure failure;
    try {
        if (options.showBusyPointer) {
            mousePointer_.set(uiservices::MousePointer::kHourglass);
        }
        connection = ado::createObjectAs<ado::Connection>(components_, ado::kConnectionProgId);
        recordset = ado::createObjectAs<ado::Recordset>(components_, ado::kRecordsetProgId);
        composeConnectionString(*connection, request);
        connection->open();
        if (connection->state() == ado::Connection::kStateOpen && workStep) {
            workStep(*connection, recordset);
        }
    } catch (const ado::DbError& error) {
        failure = {true, error.number() == 0 ? kUnexpected : error.number(), error.description()};
    } catch (const std::exception& error) {
        failure = {true, kUnexpected, error.what()};
    } catch (...) {
        failure = {true, kUnexpected, "Unexpected error"};
    }
    report(failure);
    tearDown(recordset, connection);
}

void ServerCommand::composeConnectionString(ado::Connection& connection,
                                            const ConnectionRequest& request) const {
    connection.setConnectionString(kProviderPiece);
    append(connection, "Data Source=" + valueOf(request.serverName) + ";");
    if (request.integratedSecurity) {
        append(connection, "Integrated Security=SSPI;");
        return;
    }
    append(connection, "User Id = " + valueOf(request.userName) + ";");
    append(connection, "Password = " + valueOf(request.password) + ";");
}

void ServerCommand::report(const Failure& failure) {
    // A user who said no before the login has been answered already.
    if (!failure.raised || failure.number == ado::errors::kOperationCancelled) {
        return;
    }
    try {
        if (failure.number == ado::errors::kFail) {
            messageBoxes_.show(QString::fromUtf8(kAccessDeniedText),
                               uiservices::MessageBoxService::kCritical,
                               QString::fromUtf8(kAccessDeniedTitle));
        } else {
            messageBoxes_.show(QString::fromStdString(failure.description),
                               uiservices::MessageBoxService::kOkOnly);
        }
    } catch (...) {
        // The report is the last thing a failure can do; the teardown must still run.
    }
}

void ServerCommand::tearDown(std::unique_ptr<ado::Recordset>& recordset,
                             std::unique_ptr<ado::Connection>& connection) {
    // Each step runs whatever the one before it did: the command must end with nothing held.
    try {
        mousePointer_.set(uiservices::MousePointer::kArrow);
    } catch (...) {
    }
    recordset.reset();
    if (connection) {
        try {
            if (connection->state() == ado::Connection::kStateOpen) {
                connection->close();
            }
        } catch (...) {
        }
        connection.reset();
    }
}

} // namespace brellow::commands
