#include "ado/Variant.h"

#include "ado/DbError.h"
#include "ado/ErrorNumbers.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace brellow::ado {
namespace {

// Like the classic variant-to-text conversion: up to 15 significant digits, no exponent
// for ordinary magnitudes, no trailing zeros.
std::string doubleToText(double value) {
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return value > 0 ? "Infinity" : "-Infinity";
    }
    std::array<char, 64> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%.15G", value);
    std::string text(buffer.data());
    const auto exponent = text.find('E');
    std::string mantissa = text.substr(0, exponent);
    if (mantissa.find('.') != std::string::npos) {
        while (!mantissa.empty() && mantissa.back() == '0') {
            mantissa.pop_back();
        }
        if (!mantissa.empty() && mantissa.back() == '.') {
            mantissa.pop_back();
        }
    }
    if (exponent == std::string::npos) {
        return mantissa;
    }
    return mantissa + text.substr(exponent);
}

} // namespace

Variant Variant::null() {
    Variant v;
    v.value_ = NullValue{};
    return v;
}

Variant::Type Variant::type() const noexcept {
    return static_cast<Type>(value_.index());
}

std::string Variant::toText() const {
    if (isNull()) {
        throw DbError(errors::kInvalidUseOfNull, "Invalid use of Null");
    }
    return toTextOrEmpty();
}

std::string Variant::toTextOrEmpty() const {
    switch (type()) {
    case Type::Empty:
    case Type::Null:
        return {};
    case Type::Boolean:
        return std::get<bool>(value_) ? "True" : "False";
    case Type::Integer:
        return std::to_string(std::get<std::int64_t>(value_));
    case Type::Double:
        return doubleToText(std::get<double>(value_));
    case Type::Text:
        return std::get<std::string>(value_);
    }
    return {};
}

} // namespace brellow::ado
