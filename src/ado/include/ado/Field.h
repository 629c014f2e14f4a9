#pragma once

#include "ado/Variant.h"

#include <string>

namespace brellow::ado {

// One column of a recordset's current row.
class Field {
public:
    virtual ~Field() = default;
    virtual std::string name() const = 0;
    // The column's value in the current row; raises errors::kNoCurrentRow without one.
    virtual Variant value() const = 0;
};

} // namespace brellow::ado
