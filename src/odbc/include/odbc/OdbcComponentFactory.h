#pragma once

#include "ado/ComponentFactory.h"

#include <memory>
#include <string>
#include <vector>

namespace brellow::trust {
class TrustGate;
}

namespace brellow::odbc {

class CommandGuard;

// Creates the ODBC-backed Connection and Recordset objects.
class OdbcComponentFactory final : public ado::ComponentFactory {
public:
    // Looks for the system's usual drivers (OdbcSystem).
    OdbcComponentFactory();
    // Looks for these (a test can name a missing driver).
    explicit OdbcComponentFactory(std::vector<std::string> driverCandidates);

    // Every login of the connections made from now on passes the gate first.
    void passLoginsThrough(std::shared_ptr<trust::TrustGate> gate) { gate_ = std::move(gate); }

    std::unique_ptr<ado::DbObject> createObject(std::string_view progId) override;

private:
    std::vector<std::string> driverCandidates_;
    // Shared by the connections it makes, which may outlive it.
    std::shared_ptr<CommandGuard> guard_;
    std::shared_ptr<trust::TrustGate> gate_;
};

} // namespace brellow::odbc
