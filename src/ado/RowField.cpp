#include "ado/RowField.h"

#include "ado/DbError.h"
#include "ado/ErrorNumbers.h"

namespace brellow::ado {

Variant RowField::value() const {
    if (!hasRow_) {
        throw DbError(errors::kNoCurrentRow,
                      "Either BOF or EOF is True, or the current record has been deleted. "
                      "Requested operation requires a current record.");
    }
    return value_;
}

} // namespace brellow::ado
