#pragma once

#include "ado/NamedProperty.h"
#include "ado/Properties.h"

#include <string>
#include <vector>

namespace brellow::ado {

// Properties in the order they were added.
class PropertyCollection final : public Properties {
public:
    void Add(std::string name, Variant value);
    void Clear() noexcept { items_.clear(); }

    std::int32_t Count() const override;
    Property& Item(std::int32_t position) override;

private:
    std::vector<NamedProperty> items_;
};

} // namespace brellow::ado
