#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace brellow::ado {

// A value as the component hands it out: empty, null, boolean, integer, floating point or text.
// Text is UTF-8.
class Variant {
public:
    enum class Type { Empty, Null, Boolean, Integer, Double, Text };

    Variant() = default;
    explicit Variant(bool value) : value_(value) {}
    explicit Variant(std::int64_t value) : value_(value) {}
    explicit Variant(std::int32_t value) : value_(std::int64_t{value}) {}
    explicit Variant(double value) : value_(value) {}
    explicit Variant(std::string value) : value_(std::move(value)) {}
    explicit Variant(const char* value) : value_(std::string(value)) {}

    static Variant null();

    Type type() const noexcept;
    bool isEmpty() const noexcept { return type() == Type::Empty; }
    bool isNull() const noexcept { return type() == Type::Null; }

    // The strict conversion, for a value that must have a text form: a null raises
    // errors::kInvalidUseOfNull; empty gives "".
    std::string toText() const;
    // The lenient conversion: null and empty both give "".
    std::string toTextOrEmpty() const;

    bool operator==(const Variant& other) const = default;

private:
    struct NullValue {
        bool operator==(const NullValue&) const = default;
    };
    std::variant<std::monostate, NullValue, bool, std::int64_t, double, std::string> value_;
};

} // namespace brellow::ado
