#pragma once

#include "ado/Field.h"

#include <cstdint>
#include <string>

namespace brellow::ado {

// The columns of a recordset.
class Fields {
public:
    virtual ~Fields() = default;
    virtual std::int32_t count() const = 0;
    // Looks a column up by name, ignoring case; raises errors::kItemNotFound for none.
    virtual Field& item(const std::string& name) = 0;
};

} // namespace brellow::ado
