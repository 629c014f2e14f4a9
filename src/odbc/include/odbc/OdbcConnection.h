#pragma once

#include "ado/Connection.h"
#include "ado/PropertyCollection.h"
#include "connstring/ConnectionSettings.h"
#include "odbc/CertificateCheck.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brellow::trust {
class TrustGate;
}

namespace brellow::odbc {

class CommandGuard;
class OdbcHandle;

// A Connection over ODBC: on Linux through the FreeTDS driver, speaking TDS 7.1; on Windows
// through the best SQL Server driver installed. Each connection has an ODBC environment of its
// own, so that nothing is shared between commands.
class OdbcConnection final : public ado::Connection {
public:
    // driverCandidates: the drivers to look for, best first (OdbcSystem says what they are
    // on each system). Commands are watched by `guard` when there is one. Every login passes
    // `gate` first when there is one: the server's certificate checked, or the user asked.
    explicit OdbcConnection(std::vector<std::string> driverCandidates,
                            std::shared_ptr<CommandGuard> guard = nullptr,
                            std::shared_ptr<trust::TrustGate> gate = nullptr);
    ~OdbcConnection() override;

    std::string connectionString() const override { return shownConnectionString_; }
    void setConnectionString(const std::string& text) override;
    void open() override;
    std::int32_t state() const override { return connection_ ? kStateOpen : kStateClosed; }
    std::unique_ptr<ado::Recordset> execute(const std::string& commandText) override;
    void close() override;
    // Gathered on the first request after Open, once per open: only what the driver already
    // holds since the login, so the timing changes nothing on the wire, and a command that
    // never lists them doesn't pay for them.
    ado::Properties& properties() override;

private:
    void release() noexcept;

    std::vector<std::string> driverCandidates_;
    // As written; Open (and a later reopen) uses this one.
    std::string connectionString_;
    // What reading the property gives: as written until an open succeeds, then without the
    // password.
    std::string shownConnectionString_;
    int commandTimeoutSeconds_ = 0;
    std::optional<connstring::ConnectionSettings> openedWith_;
    std::string driverName_;
    ado::PropertyCollection properties_;
    bool propertiesRead_ = false;
    // The connection handle must go before its environment.
    std::unique_ptr<OdbcHandle> environment_;
    std::unique_ptr<OdbcHandle> connection_;
    std::shared_ptr<CommandGuard> guard_;
    std::shared_ptr<trust::TrustGate> gate_;
    // The port the open connection reached the server on.
    std::uint16_t serverPort_ = 0;
    // How its certificate was vouched for.
    CertificateCheck certificateCheck_;
};

} // namespace brellow::odbc
