#pragma once

#include "OdbcApi.h"
#include "odbc/OdbcDiagnostic.h"

#include <vector>

namespace brellow::odbc {

// Owns one ODBC handle (environment, connection or statement) and frees it when destroyed.
class OdbcHandle {
public:
    // Allocates a handle of the type under parent (SQL_NULL_HANDLE for an environment).
    // Raises errors::kFail when the driver manager refuses.
    OdbcHandle(SQLSMALLINT type, SQLHANDLE parent);
    ~OdbcHandle();
    OdbcHandle(const OdbcHandle&) = delete;
    OdbcHandle& operator=(const OdbcHandle&) = delete;

    SQLHANDLE get() const noexcept { return handle_; }
    SQLSMALLINT type() const noexcept { return type_; }

    // The diagnostic records of the last call on this handle.
    std::vector<OdbcDiagnostic> diagnostics() const;

    static bool succeeded(SQLRETURN rc) noexcept {
        return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
    }

private:
    SQLSMALLINT type_;
    SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

} // namespace brellow::odbc
