#include "odbc/OdbcConnection.h"

#include "ConnectionPropertyReader.h"
#include "OdbcApi.h"
#include "OdbcCommandRunner.h"
#include "OdbcHandle.h"
#include "ado/DbError.h"
#include "ado/ErrorNumbers.h"
#include "connstring/ConnectionSettings.h"
#include "odbc/CommandGuard.h"
#include "odbc/OdbcConnectionStringBuilder.h"
#include "odbc/OdbcErrorMapper.h"
#include "odbc/OdbcSystem.h"
#include "text/Scrub.h"
#include "text/Utf16Text.h"

#include <algorithm>

namespace brellow::odbc {
namespace {

[[noreturn]] void notAllowedWhenOpen() {
    throw ado::DbError(ado::errors::kNotAllowedWhenOpen,
                       "Operation is not allowed when the object is open.");
}

[[noreturn]] void notAllowedWhenClosed() {
    throw ado::DbError(ado::errors::kNotAllowedWhenClosed,
                       "Operation is not allowed when the object is closed.");
}

SQLPOINTER seconds(int value) {
    return reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(value));
}

// Whether the server itself answered the login (a refusal of its own, numbered below the
// driver's 20000s), as opposed to a connection or handshake the driver gave up on.
bool serverRefused(const std::vector<OdbcDiagnostic>& diagnostics) {
    return std::any_of(diagnostics.begin(), diagnostics.end(), [](const OdbcDiagnostic& d) {
        return d.nativeError > 0 && d.nativeError < 20000;
    });
}

// One login through the driver: the connection handle, connected or holding why not.
struct LoginAttempt {
    std::unique_ptr<OdbcHandle> connection;
    bool connected = false;
};

LoginAttempt login(OdbcHandle& environment, const connstring::ConnectionSettings& settings,
                   const OdbcDriver& driver, const LoginTarget& target,
                   const LoginDeadline& deadline) {
    std::string odbcUtf8 = OdbcConnectionStringBuilder::build(settings, driver, target);
    std::u16string odbcText = text::Utf16Text::fromUtf8(odbcUtf8);
    text::scrub(odbcUtf8);
    auto connection = std::make_unique<OdbcHandle>(SQL_HANDLE_DBC, environment.get());
    // FreeTDS would wait for ever; ADO gives up on a login after Connect Timeout seconds.
    SQLSetConnectAttr(connection->get(), SQL_ATTR_LOGIN_TIMEOUT, seconds(deadline.driverSeconds()),
                      0);
    const SQLRETURN rc = SQLDriverConnectW(
        connection->get(), nullptr, reinterpret_cast<SQLWCHAR*>(odbcText.data()),
        static_cast<SQLSMALLINT>(odbcText.size()), nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    // Both forms of the ODBC text hold the password: don't leave it lying in freed memory.
    text::scrub(odbcText);
    return {std::move(connection), OdbcHandle::succeeded(rc)};
}

} // namespace

OdbcConnection::OdbcConnection(std::vector<std::string> driverCandidates,
                               std::shared_ptr<CommandGuard> guard,
                               std::shared_ptr<trust::TrustGate> gate)
    : driverCandidates_(std::move(driverCandidates)), guard_(std::move(guard)),
      gate_(std::move(gate)) {}

OdbcConnection::~OdbcConnection() {
    release();
    text::scrub(connectionString_);
    text::scrub(shownConnectionString_);
}

void OdbcConnection::setConnectionString(const std::string& written) {
    if (connection_) {
        notAllowedWhenOpen();
    }
    // The string written before may hold a password too.
    text::scrub(connectionString_);
    text::scrub(shownConnectionString_);
    connectionString_ = written;
    shownConnectionString_ = written;
}

void OdbcConnection::open() {
    if (connection_) {
        notAllowedWhenOpen();
    }
    const connstring::ConnectionSettings settings =
        connstring::ConnectionSettings::fromConnectionString(connectionString_);
    const OdbcDriver driver = OdbcSystem::findDriver(driverCandidates_);
    LoginDeadline deadline(settings.connectTimeoutSeconds());
    LoginTarget target = OdbcSystem::prepareLogin(settings, deadline);
    CertificateCheck check;
    // Kept until the login is over.
    auto trustHold =
        OdbcSystem::passTrustGate(gate_.get(), settings, driver, target, deadline, check);

    auto environment = std::make_unique<OdbcHandle>(SQL_HANDLE_ENV, nullptr);
    SQLSetEnvAttr(environment->get(), SQL_ATTR_ODBC_VERSION,
                  reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_OV_ODBC3)), 0);
    LoginAttempt attempt = login(*environment, settings, driver, target, deadline);
    if (!attempt.connected && check.fromMemory &&
        !serverRefused(attempt.connection->diagnostics())) {
        // Let through from memory and failed before the server said a word about the login: the
        // certificate may have changed, or the server stopped encrypting. Ask again, then retry.
        trustHold.reset();
        target.configuredSection.clear();
        trustHold =
            OdbcSystem::passTrustGate(gate_.get(), settings, driver, target, deadline, check, true);
        attempt = login(*environment, settings, driver, target, deadline);
    }
    if (!attempt.connected) {
        throw OdbcErrorMapper::map(OdbcErrorMapper::Operation::Connect,
                                   attempt.connection->diagnostics());
    }
    std::unique_ptr<OdbcHandle> connection = std::move(attempt.connection);

    environment_ = std::move(environment);
    connection_ = std::move(connection);
    serverPort_ = target.port;
    certificateCheck_ = check;
    openedWith_ = settings;
    driverName_ = driver.name;
    commandTimeoutSeconds_ = settings.commandTimeoutSeconds();
    text::scrub(shownConnectionString_);
    shownConnectionString_ = settings.connectionStringWithoutPassword();
}

std::unique_ptr<ado::Recordset> OdbcConnection::execute(const std::string& commandText) {
    if (!connection_) {
        notAllowedWhenClosed();
    }
    return OdbcCommandRunner::run(connection_->get(), commandText, commandTimeoutSeconds_,
                                  guard_.get(), serverPort_);
}

ado::Properties& OdbcConnection::properties() {
    if (connection_ && openedWith_ && !propertiesRead_) {
        ConnectionPropertyReader::read(*openedWith_, connection_->get(), driverName_,
                                       certificateCheck_, properties_);
        propertiesRead_ = true;
    }
    return properties_;
}

void OdbcConnection::close() {
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
    certificateCheck_ = {};
    properties_.clear();
    propertiesRead_ = false;
    openedWith_.reset();
}

} // namespace brellow::odbc
