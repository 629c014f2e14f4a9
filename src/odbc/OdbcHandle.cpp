#include "OdbcHandle.h"

#include "OdbcApi.h"
#include "ado/DbError.h"
#include "ado/ErrorNumbers.h"
#include "text/Utf16Text.h"

#include <array>

namespace brellow::odbc {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "ODBC wide characters must be UTF-16");

OdbcHandle::OdbcHandle(SQLSMALLINT type, SQLHANDLE parent) : type_(type) {
    const SQLRETURN rc = SQLAllocHandle(type, parent, &handle_);
    if (!succeeded(rc)) {
        handle_ = SQL_NULL_HANDLE;
        throw ado::DbError(ado::errors::kFail,
                           "The ODBC driver manager could not allocate a handle.");
    }
}

OdbcHandle::~OdbcHandle() {
    if (handle_ != SQL_NULL_HANDLE) {
        SQLFreeHandle(type_, handle_);
    }
}

std::vector<OdbcDiagnostic> OdbcHandle::diagnostics() const {
    std::vector<OdbcDiagnostic> records;
    // Bounded: a driver never has more than a few, and a broken one must not loop us.
    for (SQLSMALLINT record = 1; record <= 16; ++record) {
        std::array<SQLWCHAR, 6> state{};
        SQLINTEGER native = 0;
        std::array<SQLWCHAR, 1024> message{};
        SQLSMALLINT length = 0;
        const SQLRETURN rc =
            SQLGetDiagRecW(type_, handle_, record, state.data(), &native, message.data(),
                           static_cast<SQLSMALLINT>(message.size()), &length);
        if (!succeeded(rc)) {
            break;
        }
        const auto shown = std::min<std::size_t>(static_cast<std::size_t>(std::max<int>(length, 0)),
                                                 message.size() - 1);
        records.push_back(OdbcDiagnostic{
            text::Utf16Text::toUtf8(
                std::u16string_view(reinterpret_cast<const char16_t*>(state.data()), 5)),
            static_cast<std::int32_t>(native),
            text::Utf16Text::toUtf8(
                std::u16string_view(reinterpret_cast<const char16_t*>(message.data()), shown))});
    }
    return records;
}

} // namespace brellow::odbc
