#include "db/OdbcRecordset.h"

#include "db/DbError.h"
#include "db/ErrorNumbers.h"

namespace brellow::db {

OdbcRecordset::OdbcRecordset(std::vector<RowField> fields, bool hasRow)
    : fields_(std::move(fields)), hasRow_(hasRow), open_(true) {}

void OdbcRecordset::requireOpen() const {
    if (!open_) {
        throw DbError(errors::kNotAllowedWhenClosed,
                      "Operation is not allowed when the object is closed.");
    }
}

std::int32_t OdbcRecordset::RecordCount() const {
    requireOpen();
    // A forward-only cursor doesn't count its rows; an empty result is known to be empty.
    return hasRow_ ? -1 : 0;
}

Fields& OdbcRecordset::Fields() {
    requireOpen();
    return fields_;
}

void OdbcRecordset::Close() {
    requireOpen();
    open_ = false;
    fields_ = RowFields();
}

} // namespace brellow::db
