#pragma once

#include "ado/Field.h"

namespace brellow::ado {

// One column of a recordset, holding its value in the current row when there is one.
class RowField final : public Field {
public:
    RowField(std::string name, Variant value, bool hasRow)
        : name_(std::move(name)), value_(std::move(value)), hasRow_(hasRow) {}

    std::string name() const override { return name_; }
    Variant value() const override;

private:
    std::string name_;
    Variant value_;
    bool hasRow_;
};

} // namespace brellow::ado
