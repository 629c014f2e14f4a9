#include "ado/RowFields.h"

#include "ado/DbError.h"
#include "ado/ErrorNumbers.h"
#include "text/CaseInsensitive.h"

namespace brellow::ado {

std::int32_t RowFields::count() const {
    return static_cast<std::int32_t>(fields_.size());
}

Field& RowFields::item(const std::string& name) {
    for (RowField& field : fields_) {
        if (text::equalsIgnoringCase(field.name(), name)) {
            return field;
        }
    }
    throw DbError(errors::kItemNotFound, "Item cannot be found in the collection corresponding "
                                         "to the requested name or ordinal.");
}

} // namespace brellow::ado
