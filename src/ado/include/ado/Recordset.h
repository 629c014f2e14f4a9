#pragma once

#include "ado/DbObject.h"
#include "ado/Fields.h"

#include <cstdint>

namespace brellow::ado {

// A forward-only, read-only result positioned on its first row.
class Recordset : public DbObject {
public:
    // 0 = no rows, -1 = the count is not reported (as for a forward-only cursor).
    virtual std::int32_t recordCount() const = 0;
    virtual ado::Fields& fields() = 0;
    // 1 while open, 0 when closed.
    virtual std::int32_t state() const = 0;
    virtual void close() = 0;
};

} // namespace brellow::ado
