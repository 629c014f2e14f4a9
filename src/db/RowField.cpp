#include "db/RowField.h"

#include "db/DbError.h"
#include "db/ErrorNumbers.h"

namespace brellow::db {

Variant RowField::Value() const {
    if (!hasRow_) {
        throw DbError(errors::kNoCurrentRow,
                      "Either BOF or EOF is True, or the current record has been deleted. "
                      "Requested operation requires a current record.");
    }
    return value_;
}

} // namespace brellow::db
