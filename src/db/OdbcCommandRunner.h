#pragma once

#include "db/OdbcRecordset.h"

#include <memory>
#include <sql.h>
#include <string>

namespace brellow::db {

// Runs one command on an open ODBC connection and reads its first result into a recordset.
class OdbcCommandRunner {
public:
    // timeoutSeconds 0 waits without a limit. Raises errors::kCommandRejected when the server
    // refuses the command, errors::kCommandTimeout when it runs too long and errors::kFail when
    // the connection is lost. A command that returns no rows gives a closed recordset.
    static std::unique_ptr<OdbcRecordset> Run(SQLHDBC connection, const std::string& commandText,
                                              int timeoutSeconds);
};

} // namespace brellow::db
