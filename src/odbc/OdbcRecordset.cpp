#include "odbc/OdbcRecordset.h"

#include "ado/DbError.h"
#include "ado/ErrorNumbers.h"

namespace brellow::odbc {

OdbcRecordset::OdbcRecordset(std::vector<ado::RowField> fields, bool hasRow)
    : fields_(std::move(fields)), hasRow_(hasRow), open_(true) {}

void OdbcRecordset::requireOpen() const {
    if (!open_) {
        throw ado::DbError(ado::errors::kNotAllowedWhenClosed,
                           "Operation is not allowed when the object is closed.");
    }
}

std::int32_t OdbcRecordset::recordCount() const {
    requireOpen();
    // A forward-only cursor doesn't count its rows; an empty result is known to be empty.
    return hasRow_ ? -1 : 0;
}

ado::Fields& OdbcRecordset::fields() {
    requireOpen();
    return fields_;
}

void OdbcRecordset::close() {
    requireOpen();
    open_ = false;
    fields_ = ado::RowFields();
}

} // namespace brellow::odbc
