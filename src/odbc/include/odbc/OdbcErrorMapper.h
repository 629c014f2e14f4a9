#pragma once

#include "ado/DbError.h"
#include "odbc/OdbcDiagnostic.h"

#include <string>
#include <string_view>
#include <vector>

namespace brellow::odbc {

// Turns the diagnostics of a failed ODBC call into the component's one error type. Only
// called once the driver's return code said the call failed: a failure may well carry only
// warning-class states (a dropped connection reports 01000).
class OdbcErrorMapper {
public:
    enum class Operation { Connect, Execute };

    static ado::DbError map(Operation operation, const std::vector<OdbcDiagnostic>& diagnostics);
    // A command that ran out of time, in ADO's words.
    static ado::DbError timeout();

    // "[FreeTDS][SQL Server]Login failed" -> "Login failed": the bracketed tags the driver
    // manager and driver put in front of a message.
    static std::string stripDriverPrefixes(std::string_view message);
};

} // namespace brellow::odbc
