#pragma once

#include "db/ComponentFactory.h"

#include <memory>
#include <string>
#include <vector>

namespace brellow::db {

class CommandWatchdog;

// Creates the ODBC-backed Connection and Recordset objects.
class OdbcComponentFactory final : public ComponentFactory {
public:
    // Looks for the FreeTDS driver in the usual places.
    OdbcComponentFactory();
    // Looks for it in these places (a test can name a missing driver).
    explicit OdbcComponentFactory(std::vector<std::string> driverCandidates);

    std::unique_ptr<DbObject> CreateObject(std::string_view progId) override;

private:
    std::vector<std::string> driverCandidates_;
    // Shared by the connections it makes, which may outlive it.
    std::shared_ptr<CommandWatchdog> watchdog_;
};

} // namespace brellow::db
