#pragma once

#include "ado/Variant.h"

#include <string>

namespace brellow::ado {

// One named property of a connection.
class Property {
public:
    virtual ~Property() = default;
    virtual std::string name() const = 0;
    virtual Variant value() const = 0;
};

} // namespace brellow::ado
