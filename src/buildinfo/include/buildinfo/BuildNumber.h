#pragma once

#include <QStringView>
#include <array>
#include <compare>
#include <optional>

namespace brellow::buildinfo {

// A SQL Server build number, compared part by part as numbers. Servers up to SQL Server 2005
// answer with three parts ("8.00.2039"), later ones with four ("15.0.4430.1"); a missing
// fourth part counts as 0, so that "9.00.5324" and "9.00.5324.00" are the same build.
class BuildNumber {
public:
    // Three or four parts of ASCII digits between dots, nothing else; anything else has no
    // build number.
    static std::optional<BuildNumber> parse(QStringView text);

    int majorPart() const { return parts_[0]; }
    int minorPart() const { return parts_[1]; }
    // Whether both belong to the same version: 10.0 and 10.00 do, 10.0 and 10.50 don't.
    bool sameVersionAs(const BuildNumber& other) const {
        return majorPart() == other.majorPart() && minorPart() == other.minorPart();
    }

    friend auto operator<=>(const BuildNumber&, const BuildNumber&) = default;

private:
    explicit BuildNumber(const std::array<int, 4>& parts) : parts_(parts) {}

    std::array<int, 4> parts_;
};

} // namespace brellow::buildinfo
