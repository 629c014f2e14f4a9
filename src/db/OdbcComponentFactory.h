#pragma once

#include "db/ComponentFactory.h"

namespace brellow::db {

// Creates the ODBC-backed Connection and Recordset objects.
class OdbcComponentFactory final : public ComponentFactory {
public:
    std::unique_ptr<DbObject> CreateObject(std::string_view progId) override;
};

} // namespace brellow::db
