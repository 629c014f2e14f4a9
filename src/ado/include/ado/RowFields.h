#pragma once

#include "ado/Fields.h"
#include "ado/RowField.h"

#include <vector>

namespace brellow::ado {

// The columns of a recordset in result order.
class RowFields final : public Fields {
public:
    RowFields() = default;
    explicit RowFields(std::vector<RowField> fields) : fields_(std::move(fields)) {}

    std::int32_t count() const override;
    Field& item(const std::string& name) override;

private:
    std::vector<RowField> fields_;
};

} // namespace brellow::ado
