#include "OdbcCommandRunner.h"

#include "OdbcApi.h"
#include "OdbcHandle.h"
#include "odbc/CommandGuard.h"
#include "odbc/OdbcErrorMapper.h"
#include "text/Utf16Text.h"

#include <array>
#include <vector>

namespace brellow::odbc {
namespace {

struct Column {
    std::string name;
    SQLSMALLINT type = 0;
};

[[noreturn]] void fail(const OdbcHandle& statement) {
    throw OdbcErrorMapper::map(OdbcErrorMapper::Operation::Execute, statement.diagnostics());
}

void check(const OdbcHandle& statement, SQLRETURN rc) {
    if (rc == SQL_ERROR || rc == SQL_INVALID_HANDLE) {
        fail(statement);
    }
}

std::vector<Column> describe(const OdbcHandle& statement, SQLSMALLINT count) {
    std::vector<Column> columns;
    for (SQLUSMALLINT index = 1; index <= static_cast<SQLUSMALLINT>(count); ++index) {
        std::array<SQLWCHAR, 256> name{};
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT type = 0;
        SQLULEN size = 0;
        SQLSMALLINT digits = 0;
        SQLSMALLINT nullable = 0;
        check(statement, SQLDescribeColW(statement.get(), index, name.data(),
                                         static_cast<SQLSMALLINT>(name.size()), &nameLength, &type,
                                         &size, &digits, &nullable));
        const auto length = std::min<std::size_t>(
            static_cast<std::size_t>(std::max<int>(nameLength, 0)), name.size() - 1);
        columns.push_back(Column{text::Utf16Text::toUtf8(std::u16string_view(
                                     reinterpret_cast<const char16_t*>(name.data()), length)),
                                 type});
    }
    return columns;
}

ado::Variant readText(const OdbcHandle& statement, SQLUSMALLINT index) {
    std::u16string text;
    std::array<SQLWCHAR, 1024> buffer{};
    // A value arrives in pieces when it is longer than the buffer; each call returns the next.
    while (true) {
        SQLLEN indicator = 0;
        const SQLRETURN rc =
            SQLGetData(statement.get(), index, SQL_C_WCHAR, buffer.data(),
                       static_cast<SQLLEN>(buffer.size() * sizeof(SQLWCHAR)), &indicator);
        if (rc == SQL_NO_DATA) {
            break;
        }
        check(statement, rc);
        if (indicator == SQL_NULL_DATA) {
            return ado::Variant::null();
        }
        const std::size_t capacity = buffer.size() - 1;
        const std::size_t available = indicator == SQL_NO_TOTAL
                                          ? capacity
                                          : static_cast<std::size_t>(indicator) / sizeof(SQLWCHAR);
        text.append(reinterpret_cast<const char16_t*>(buffer.data()),
                    std::min(available, capacity));
        const bool truncated = indicator == SQL_NO_TOTAL || available > capacity;
        if (rc == SQL_SUCCESS || !truncated) {
            break;
        }
    }
    return ado::Variant(text::Utf16Text::toUtf8(text));
}

template <class T>
bool readFixed(const OdbcHandle& statement, SQLUSMALLINT index, SQLSMALLINT cType, T& value) {
    SQLLEN indicator = 0;
    check(statement, SQLGetData(statement.get(), index, cType, &value, sizeof value, &indicator));
    return indicator != SQL_NULL_DATA;
}

ado::Variant readValue(const OdbcHandle& statement, SQLUSMALLINT index, SQLSMALLINT type) {
    switch (type) {
    case SQL_BIT: {
        unsigned char value = 0;
        return readFixed(statement, index, SQL_C_BIT, value) ? ado::Variant(value != 0)
                                                             : ado::Variant::null();
    }
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT: {
        SQLBIGINT value = 0;
        return readFixed(statement, index, SQL_C_SBIGINT, value)
                   ? ado::Variant(static_cast<std::int64_t>(value))
                   : ado::Variant::null();
    }
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE: {
        double value = 0;
        return readFixed(statement, index, SQL_C_DOUBLE, value) ? ado::Variant(value)
                                                                : ado::Variant::null();
    }
    default:
        // Text, exact numerics (kept exact), dates, and sql_variant, which the driver
        // converts from the value's base type.
        return readText(statement, index);
    }
}

// Reads past the rest of the results so that closing the statement has nothing to cancel
// on the wire.
void drain(const OdbcHandle& statement) {
    for (int results = 0; results < 1000; ++results) {
        SQLRETURN rc = SQL_SUCCESS;
        while (OdbcHandle::succeeded(rc = SQLFetch(statement.get()))) {
        }
        rc = SQLMoreResults(statement.get());
        if (!OdbcHandle::succeeded(rc)) {
            break;
        }
    }
    SQLFreeStmt(statement.get(), SQL_CLOSE);
}

} // namespace

std::unique_ptr<OdbcRecordset> OdbcCommandRunner::run(SQLHDBC connection,
                                                      const std::string& commandText,
                                                      int timeoutSeconds, CommandGuard* guard,
                                                      std::uint16_t serverPort) {
    OdbcHandle statement(SQL_HANDLE_STMT, connection);
    const std::unique_ptr<CommandGuard::Watch> watch =
        guard != nullptr ? guard->watch(serverPort, timeoutSeconds) : nullptr;
    try {
        return runOn(statement, commandText, timeoutSeconds);
    } catch (const ado::DbError&) {
        // The watchdog ended a command the server never answered: whatever the driver made of
        // the dropped connection, the cause is the timeout.
        if (watch && watch->fired()) {
            throw OdbcErrorMapper::timeout();
        }
        throw;
    }
}

std::unique_ptr<OdbcRecordset> OdbcCommandRunner::runOn(const OdbcHandle& statement,
                                                        const std::string& commandText,
                                                        int timeoutSeconds) {
    SQLSetStmtAttr(statement.get(), SQL_ATTR_QUERY_TIMEOUT,
                   reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(timeoutSeconds)), 0);
    std::u16string text = text::Utf16Text::fromUtf8(commandText);
    SQLRETURN rc = SQLExecDirectW(statement.get(), reinterpret_cast<SQLWCHAR*>(text.data()),
                                  static_cast<SQLINTEGER>(text.size()));
    check(statement, rc);

    // The first result that has columns; commands before it (row counts) are passed over.
    SQLSMALLINT columnCount = 0;
    while (true) {
        check(statement, SQLNumResultCols(statement.get(), &columnCount));
        if (columnCount > 0) {
            break;
        }
        rc = SQLMoreResults(statement.get());
        if (rc == SQL_NO_DATA) {
            return std::make_unique<OdbcRecordset>();
        }
        check(statement, rc);
    }

    const std::vector<Column> columns = describe(statement, columnCount);
    rc = SQLFetch(statement.get());
    check(statement, rc);
    const bool hasRow = rc != SQL_NO_DATA;
    std::vector<ado::RowField> fields;
    fields.reserve(columns.size());
    for (std::size_t i = 0; i < columns.size(); ++i) {
        ado::Variant value =
            hasRow ? readValue(statement, static_cast<SQLUSMALLINT>(i + 1), columns[i].type)
                   : ado::Variant();
        fields.emplace_back(columns[i].name, std::move(value), hasRow);
    }
    drain(statement);
    return std::make_unique<OdbcRecordset>(std::move(fields), hasRow);
}

} // namespace brellow::odbc
