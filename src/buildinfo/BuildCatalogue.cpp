#include "buildinfo/BuildCatalogue.h"

#include <QFile>
#include <QSet>
#include <QStringTokenizer>
#include <algorithm>

// The catalogue lives in a static library, so its resource must be pulled in by hand; the
// macro has to be used outside any namespace. Registering it again is a no-op.
static void registerCatalogueResource() {
    Q_INIT_RESOURCE(buildcatalogue);
}

namespace brellow::buildinfo {
namespace {

QDate dateField(QStringView field) {
    return QDate::fromString(field.toString(), Qt::ISODate);
}

// "10.50" -> {10, 50}: a version is named by the first two parts of its builds' numbers, so
// it reads as one of them with a build part added.
std::optional<std::pair<int, int>> majorMinor(QStringView text) {
    if (text.count(QLatin1Char('.')) != 1) {
        return std::nullopt;
    }
    const std::optional<BuildNumber> number =
        BuildNumber::parse(QString(text.toString() + QStringLiteral(".0")));
    if (!number) {
        return std::nullopt;
    }
    return std::pair{number->majorPart(), number->minorPart()};
}

BuildLookup::Support supportOn(const SqlServerRelease& release, QDate today) {
    // Each end date is the last day of that support.
    if (release.extendedEnd.isValid() && today > release.extendedEnd) {
        return BuildLookup::Support::Ended;
    }
    if (!release.mainstreamEnd.isValid()) {
        return BuildLookup::Support::Unknown;
    }
    if (today <= release.mainstreamEnd) {
        return BuildLookup::Support::Mainstream;
    }
    return release.extendedEnd.isValid() ? BuildLookup::Support::Extended
                                         : BuildLookup::Support::Unknown;
}

} // namespace

BuildCatalogue BuildCatalogue::parse(QStringView text) {
    BuildCatalogue catalogue;
    std::vector<KnownBuild> builds;
    const QLatin1StringView datePrefix("# date:");
    for (QStringView line : text.tokenize(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
        }
        if (line.startsWith(datePrefix)) {
            catalogue.date_ = dateField(line.mid(datePrefix.size()).trimmed());
            continue;
        }
        const QList<QStringView> fields = line.split(QLatin1Char('\t'));
        if (fields.size() == 5 && fields[0] == QLatin1String("version")) {
            if (const auto number = majorMinor(fields[1])) {
                catalogue.versions_.push_back(
                    {SqlServerRelease{number->first, number->second, fields[2].toString(),
                                      dateField(fields[3]), dateField(fields[4]), false},
                     {}});
            }
        } else if (fields.size() == 7 && fields[0] == QLatin1String("build")) {
            if (const auto number = BuildNumber::parse(fields[1])) {
                builds.push_back({*number, fields[1].toString(), fields[2].toString(),
                                  fields[3].toString(), fields[4].toString(), dateField(fields[5]),
                                  fields[6] == QLatin1String("yes")});
            }
        }
    }

    std::sort(catalogue.versions_.begin(), catalogue.versions_.end(),
              [](const Version& left, const Version& right) {
                  return std::pair{left.release.major, left.release.minor} >
                         std::pair{right.release.major, right.release.minor};
              });
    // A build whose version the catalogue does not name has nothing to be explained by.
    for (KnownBuild& build : builds) {
        for (Version& version : catalogue.versions_) {
            if (version.release.major == build.number.majorPart() &&
                version.release.minor == build.number.minorPart()) {
                version.release.hasServicePacks |= build.kind == QLatin1String("SP");
                version.builds.push_back(std::move(build));
                break;
            }
        }
    }
    return catalogue;
}

BuildCatalogue BuildCatalogue::builtIn() {
    registerCatalogueResource();
    QFile file(QStringLiteral(":/sqlserver-builds.txt"));
    if (!file.open(QIODevice::ReadOnly)) {
        // Compiled in, so it is always there; without it every build is merely unknown.
        return {};
    }
    return parse(QString::fromUtf8(file.readAll()));
}

int BuildCatalogue::buildCount() const {
    int count = 0;
    for (const Version& version : versions_) {
        count += static_cast<int>(version.builds.size());
    }
    return count;
}

BuildLookup BuildCatalogue::lookup(QStringView version, QDate today) const {
    BuildLookup lookup;
    const std::optional<BuildNumber> number = BuildNumber::parse(version);
    if (!number) {
        return lookup;
    }
    const auto known = std::find_if(versions_.begin(), versions_.end(), [&](const Version& v) {
        return v.release.major == number->majorPart() && v.release.minor == number->minorPart();
    });
    if (known == versions_.end() || known->builds.empty()) {
        const auto sought = std::pair{number->majorPart(), number->minorPart()};
        lookup.outcome = BuildLookup::Outcome::UnknownVersion;
        if (versions_.empty()) {
            return lookup;
        }
        const SqlServerRelease& newest = versions_.front().release;
        const SqlServerRelease& oldest = versions_.back().release;
        if (sought > std::pair{newest.major, newest.minor}) {
            lookup.outcome = BuildLookup::Outcome::NewerVersion;
            lookup.release = newest;
        } else if (sought < std::pair{oldest.major, oldest.minor}) {
            lookup.outcome = BuildLookup::Outcome::OlderVersion;
            lookup.release = oldest;
        }
        return lookup;
    }

    lookup.release = known->release;
    lookup.support = supportOn(known->release, today);
    const auto newest = std::find_if(known->builds.begin(), known->builds.end(),
                                     [](const KnownBuild& build) { return !build.withdrawn; });
    if (newest != known->builds.end()) {
        lookup.newest = *newest;
    }

    const KnownBuild* below = nullptr;
    const KnownBuild* oldest = nullptr;
    bool anyAbove = false;
    for (const KnownBuild& build : known->builds) {
        if (build.number == *number) {
            lookup.outcome = BuildLookup::Outcome::Exact;
            lookup.build = build;
            behind(*known, lookup);
            return lookup;
        }
        if (build.number < *number && (below == nullptr || build.number > below->number)) {
            below = &build;
        }
        anyAbove |= build.number > *number;
        if (oldest == nullptr || build.number < oldest->number) {
            oldest = &build;
        }
    }
    if (below == nullptr) {
        lookup.outcome = BuildLookup::Outcome::OlderThanCatalogue;
        lookup.build = *oldest;
    } else if (!anyAbove) {
        lookup.outcome = BuildLookup::Outcome::NewerThanCatalogue;
    } else {
        lookup.outcome = BuildLookup::Outcome::AtLeast;
        lookup.build = *below;
        behind(*known, lookup);
    }
    return lookup;
}

void BuildCatalogue::behind(const Version& version, BuildLookup& lookup) {
    const KnownBuild& build = *lookup.build;
    // A release is known by its date; undated builds each count on their own.
    QSet<QString> later;
    for (const KnownBuild& other : version.builds) {
        if (other.number == build.number) {
            break;
        }
        if (other.withdrawn) {
            continue;
        }
        const bool bothDated = other.released.isValid() && build.released.isValid();
        if (bothDated && other.released <= build.released) {
            continue;
        }
        later.insert(other.released.isValid() ? other.released.toString(Qt::ISODate) : other.text);
    }
    lookup.updatesBehind = static_cast<int>(later.size());
    if (lookup.newest && lookup.newest->released.isValid() && build.released.isValid()) {
        lookup.daysBehind = std::max<qint64>(0, build.released.daysTo(lookup.newest->released));
    }
}

} // namespace brellow::buildinfo
