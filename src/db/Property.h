#pragma once

#include "db/Variant.h"

#include <string>

namespace brellow::db {

// One named property of a connection.
class Property {
public:
    virtual ~Property() = default;
    virtual std::string Name() const = 0;
    virtual Variant Value() const = 0;
};

} // namespace brellow::db
