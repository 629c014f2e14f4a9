#pragma once

#include "ado/Connection.h"
#include "ado/Recordset.h"

#include <memory>

namespace brellow::commands {

class ServerInfoLabels;

// The work step of Get Version Info: asks the server for its edition, version and
// service-pack level and writes them into the main window's three value labels, edition first.
class VersionQuery {
public:
    static constexpr const char* kQueryText =
        "SELECT SERVERPROPERTY('productversion') as ProductVersion, "
        "SERVERPROPERTY('productlevel') as ProductLevel, SERVERPROPERTY ('edition') as Edition";

    explicit VersionQuery(ServerInfoLabels& labels);

    // Replaces the recordset with the query's result. A value without a text form (a null)
    // stops the filling by throwing; labels filled before it keep their new text.
    void Run(ado::Connection& connection, std::unique_ptr<ado::Recordset>& recordset);

private:
    ServerInfoLabels& labels_;
};

} // namespace brellow::commands
