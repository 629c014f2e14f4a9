#include "db/DbError.h"

namespace brellow::db {

DbError::DbError(std::int32_t number, const std::string& description)
    : std::runtime_error(description), number_(number) {}

} // namespace brellow::db
