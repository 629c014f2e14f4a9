#pragma once

#include "OdbcApi.h"
#include "odbc/OdbcRecordset.h"

#include <cstdint>
#include <memory>
#include <string>

namespace brellow::odbc {

class CommandGuard;
class OdbcHandle;

// Runs one command on an open ODBC connection and reads its first result into a recordset.
class OdbcCommandRunner {
public:
    // timeoutSeconds 0 waits without a limit. Raises errors::kCommandRejected when the server
    // refuses the command, errors::kCommandTimeout when it runs too long and errors::kFail when
    // the connection is lost. A command that returns no rows gives a closed recordset. Watched
    // by `guard`, a server on `serverPort` that ignores the cancel after a timeout is dropped
    // after a short wait instead of a second whole timeout.
    static std::unique_ptr<OdbcRecordset> run(SQLHDBC connection, const std::string& commandText,
                                              int timeoutSeconds, CommandGuard* guard = nullptr,
                                              std::uint16_t serverPort = 0);

private:
    static std::unique_ptr<OdbcRecordset> runOn(const OdbcHandle& statement,
                                                const std::string& commandText, int timeoutSeconds);
};

} // namespace brellow::odbc
