#pragma once

#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "commands/ServerAnswers.h"

#include <memory>

namespace brellow::commands {

// The work step of Get Version Info: asks the server for its edition, version and
// service-pack level.
class VersionQuery {
public:
    static constexpr const char* kQueryText =
        "SELECT SERVERPROPERTY('productversion') as ProductVersion, "
        "SERVERPROPERTY('productlevel') as ProductLevel, SERVERPROPERTY ('edition') as Edition";

    // Runs the query, putting its result in the command's recordset, and reads the answers
    // into `answers`, edition first. A value without a text form (a null) ends the reading by
    // throwing; the answers read before it stay in `answers`, and the recordset is left to
    // the command's teardown.
    static void ask(ado::Connection& connection, std::unique_ptr<ado::Recordset>& recordset,
                    ServerAnswers& answers);
};

} // namespace brellow::commands
