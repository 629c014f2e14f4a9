#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brellow::tdsserver {

// One result set as the server sends it: column descriptions and rows of values.
struct ResultSet {
    enum class ColumnType { Variant, NVarChar, Int };
    struct Column {
        std::string name;
        ColumnType type = ColumnType::Variant;
    };
    // A value: absent is NULL; otherwise text (sent as nvarchar) or a whole number.
    struct Value {
        std::optional<std::string> text;
        std::optional<std::int32_t> number;
        bool isNull() const { return !text && !number; }
        static Value null() { return {}; }
        static Value fromText(std::string t) { return {std::move(t), std::nullopt}; }
        static Value fromNumber(std::int32_t n) { return {std::nullopt, n}; }
    };

    std::vector<Column> columns;
    std::vector<std::vector<Value>> rows;
};

} // namespace brellow::tdsserver
