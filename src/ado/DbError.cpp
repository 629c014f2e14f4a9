#include "ado/DbError.h"

namespace brellow::ado {

DbError::DbError(std::int32_t number, const std::string& description)
    : std::runtime_error(description), number_(number) {}

} // namespace brellow::ado
