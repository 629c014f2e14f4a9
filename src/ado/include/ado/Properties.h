#pragma once

#include "ado/Property.h"

#include <cstdint>

namespace brellow::ado {

// The property collection of a connection, in a stable order.
class Properties {
public:
    virtual ~Properties() = default;
    virtual std::int32_t count() const = 0;
    // The property at a 0-based position; raises errors::kItemNotFound outside the range.
    virtual Property& item(std::int32_t position) = 0;
};

} // namespace brellow::ado
