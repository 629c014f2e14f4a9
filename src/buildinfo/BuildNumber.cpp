#include "buildinfo/BuildNumber.h"

#include <QStringTokenizer>

namespace brellow::buildinfo {
namespace {

// No part of a real build number comes near this; it keeps every part well inside an int.
constexpr qsizetype kMostDigits = 9;

std::optional<int> partValue(QStringView part) {
    if (part.isEmpty() || part.size() > kMostDigits) {
        return std::nullopt;
    }
    int value = 0;
    for (const QChar character : part) {
        // ASCII only: QChar::isDigit would let Arabic-Indic and other digits through.
        if (character < QLatin1Char('0') || character > QLatin1Char('9')) {
            return std::nullopt;
        }
        value = value * 10 + (character.unicode() - '0');
    }
    return value;
}

} // namespace

std::optional<BuildNumber> BuildNumber::parse(QStringView text) {
    std::array<int, 4> parts{};
    std::size_t count = 0;
    for (const QStringView part : text.tokenize(QLatin1Char('.'))) {
        const std::optional<int> value = partValue(part);
        if (count == parts.size() || !value) {
            return std::nullopt;
        }
        parts[count++] = *value;
    }
    if (count < 3) {
        return std::nullopt;
    }
    return BuildNumber(parts);
}

} // namespace brellow::buildinfo
