#include "db/OdbcConnection.h"

#include "db/CommandWatchdog.h"
#include "db/ConnectionPropertyReader.h"
#include "db/ConnectionSettings.h"
#include "db/DbError.h"
#include "db/ErrorNumbers.h"
#include "db/KerberosCredentials.h"
#include "db/OdbcCommandRunner.h"
#include "db/OdbcConnectionStringBuilder.h"
#include "db/OdbcDriverLocator.h"
#include "db/OdbcErrorMapper.h"
#include "db/SqlBrowserClient.h"
#include "db/Utf16Text.h"

#include <algorithm>
#include <chrono>
#include <sqlext.h>
#include <sqlucode.h>

namespace brellow::db {
namespace {

constexpr const char* kRegisteredDriverName = "FreeTDS";
// A browser that never answers must not hang an open that has no timeout of its own.
constexpr int kUnlimitedBrowserWait = 15;

[[noreturn]] void notAllowedWhenOpen() {
    throw DbError(errors::kNotAllowedWhenOpen, "Operation is not allowed when the object is open.");
}

[[noreturn]] void notAllowedWhenClosed() {
    throw DbError(errors::kNotAllowedWhenClosed,
                  "Operation is not allowed when the object is closed.");
}

SQLPOINTER seconds(int value) {
    return reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(value));
}

} // namespace

OdbcConnection::OdbcConnection(std::vector<std::string> driverCandidates,
                               std::shared_ptr<CommandWatchdog> watchdog)
    : driverCandidates_(std::move(driverCandidates)), watchdog_(std::move(watchdog)) {}

OdbcConnection::~OdbcConnection() {
    release();
}

void OdbcConnection::SetConnectionString(const std::string& text) {
    if (connection_) {
        notAllowedWhenOpen();
    }
    connectionString_ = text;
    shownConnectionString_ = text;
}

void OdbcConnection::Open() {
    if (connection_) {
        notAllowedWhenOpen();
    }
    const ConnectionSettings settings = ConnectionSettings::FromConnectionString(connectionString_);
    std::string driver = OdbcDriverLocator::Locate(driverCandidates_);
    if (driver.empty()) {
        driver = kRegisteredDriverName;
    }
    const DataSourceAddress& address = settings.address();
    // Every wait before the driver's own (the browser, the KDC) uses up part of the time the
    // whole open may take.
    const int loginTimeout = settings.connectTimeoutSeconds();
    const auto started = std::chrono::steady_clock::now();
    const auto remaining = [&](int whenUnlimited) {
        const int limit = loginTimeout > 0 ? loginTimeout : whenUnlimited;
        if (limit <= 0) {
            return std::chrono::milliseconds(0);
        }
        const auto used = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - started);
        return std::max(std::chrono::milliseconds(1), std::chrono::seconds(limit) - used);
    };
    std::uint16_t port = address.port();
    if (port == 0) {
        port = SqlBrowserClient::LookUpPort(address.host(), SqlBrowserClient::kBrowserPort,
                                            address.instance(), remaining(kUnlimitedBrowserWait));
    }
    std::string servicePrincipal;
    if (settings.integratedSecurity()) {
        // The driver would ask the KDC itself, with no regard for the login timeout; with the
        // ticket already in the cache it doesn't ask. Both use the same name for the server.
        servicePrincipal = KerberosCredentials::ServicePrincipalName(address.host(), port);
        KerberosCredentials::ObtainServiceTicket(servicePrincipal, remaining(0));
    }
    const int driverTimeout =
        loginTimeout > 0
            ? static_cast<int>(std::max<std::chrono::seconds::rep>(
                  1, std::chrono::duration_cast<std::chrono::seconds>(remaining(0)).count()))
            : 0;
    std::string odbcUtf8 =
        OdbcConnectionStringBuilder::Build(settings, driver, port, servicePrincipal);
    std::u16string odbcText = Utf16Text::FromUtf8(odbcUtf8);
    std::fill(odbcUtf8.begin(), odbcUtf8.end(), '\0');

    auto environment = std::make_unique<OdbcHandle>(SQL_HANDLE_ENV, nullptr);
    SQLSetEnvAttr(environment->get(), SQL_ATTR_ODBC_VERSION,
                  reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_OV_ODBC3)), 0);
    auto connection = std::make_unique<OdbcHandle>(SQL_HANDLE_DBC, environment->get());
    // FreeTDS would wait for ever; ADO gives up on a login after Connect Timeout seconds.
    SQLSetConnectAttr(connection->get(), SQL_ATTR_LOGIN_TIMEOUT, seconds(driverTimeout), 0);
    const SQLRETURN rc = SQLDriverConnectW(
        connection->get(), nullptr, reinterpret_cast<SQLWCHAR*>(odbcText.data()),
        static_cast<SQLSMALLINT>(odbcText.size()), nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    // Both forms of the ODBC text hold the password: don't leave it lying in freed memory.
    std::fill(odbcText.begin(), odbcText.end(), u'\0');
    if (!OdbcHandle::Succeeded(rc)) {
        throw OdbcErrorMapper::Map(OdbcErrorMapper::Operation::Connect, connection->Diagnostics());
    }

    environment_ = std::move(environment);
    connection_ = std::move(connection);
    serverPort_ = port;
    openedWith_ = settings;
    driver_ = driver;
    commandTimeoutSeconds_ = settings.commandTimeoutSeconds();
    shownConnectionString_ = settings.connectionStringWithoutPassword();
}

std::unique_ptr<Recordset> OdbcConnection::Execute(const std::string& commandText) {
    if (!connection_) {
        notAllowedWhenClosed();
    }
    return OdbcCommandRunner::Run(connection_->get(), commandText, commandTimeoutSeconds_,
                                  watchdog_.get(), serverPort_);
}

Properties& OdbcConnection::Properties() {
    if (connection_ && openedWith_ && !propertiesRead_) {
        ConnectionPropertyReader::Read(*openedWith_, connection_->get(), driver_, properties_);
        propertiesRead_ = true;
    }
    return properties_;
}

void OdbcConnection::Close() {
    if (!connection_) {
        notAllowedWhenClosed();
    }
    release();
}

void OdbcConnection::release() noexcept {
    if (connection_) {
        // A connection the server already dropped fails to disconnect; it is freed all the same.
        SQLDisconnect(connection_->get());
    }
    connection_.reset();
    environment_.reset();
    serverPort_ = 0;
    properties_.Clear();
    propertiesRead_ = false;
    openedWith_.reset();
}

} // namespace brellow::db
