#include "db/RowFields.h"

#include "db/ConnectionStringParser.h"
#include "db/DbError.h"
#include "db/ErrorNumbers.h"

namespace brellow::db {

std::int32_t RowFields::Count() const {
    return static_cast<std::int32_t>(fields_.size());
}

Field& RowFields::Item(const std::string& name) {
    for (RowField& field : fields_) {
        if (ConnectionStringParser::KeywordsEqual(field.Name(), name)) {
            return field;
        }
    }
    throw DbError(errors::kItemNotFound, "Item cannot be found in the collection corresponding "
                                         "to the requested name or ordinal.");
}

} // namespace brellow::db
