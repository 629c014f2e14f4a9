#pragma once

#include "ado/Property.h"

namespace brellow::ado {

// A property whose name and value were fixed when the connection opened.
class NamedProperty final : public Property {
public:
    NamedProperty(std::string name, Variant value)
        : name_(std::move(name)), value_(std::move(value)) {}

    std::string name() const override { return name_; }
    Variant value() const override { return value_; }

private:
    std::string name_;
    Variant value_;
};

} // namespace brellow::ado
