#pragma once

#include "ado/NamedProperty.h"
#include "ado/Properties.h"

#include <string>
#include <vector>

namespace brellow::ado {

// Properties in the order they were added.
class PropertyCollection final : public Properties {
public:
    void add(std::string name, Variant value);
    void clear() noexcept { items_.clear(); }

    std::int32_t count() const override;
    Property& item(std::int32_t position) override;

private:
    std::vector<NamedProperty> items_;
};

} // namespace brellow::ado
