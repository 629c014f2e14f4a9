#include "db/OdbcComponentFactory.h"

namespace brellow::db {

std::unique_ptr<DbObject> OdbcComponentFactory::CreateObject(std::string_view progId) {
    // The ODBC objects are being written; until they land nothing can be created.
    throw DbError(errors::kCannotCreateObject,
                  "ActiveX component can't create object: " + std::string(progId));
}

} // namespace brellow::db
