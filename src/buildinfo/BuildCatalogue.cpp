#include "buildinfo/BuildCatalogue.h"

#include <QFile>
#include <QSet>
#include <QStringTokenizer>
#include <algorithm>
#include <tuple>
#include <utility>

// The catalogue lives in a static library, so its resource must be pulled in by hand; the
// macro has to be used outside any namespace. Registering it again is a no-op.
static void registerCatalogueResource() {
    Q_INIT_RESOURCE(buildcatalogue);
}

namespace brellow::buildinfo {
namespace {

// An empty field is no date; anything else must be a whole one.
std::optional<QDate> dateField(QStringView field) {
    if (field.isEmpty()) {
        return QDate();
    }
    const QDate date = QDate::fromString(field.toString(), Qt::ISODate);
    return date.isValid() && field.size() == 10 ? std::optional(date) : std::nullopt;
}

bool digitsOnly(QStringView field) {
    return std::all_of(field.begin(), field.end(), [](QChar character) {
        return character >= QLatin1Char('0') && character <= QLatin1Char('9');
    });
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

// version, major.minor, name, mainstream end (a date, or a year alone), extended end, "esu".
std::optional<SqlServerRelease> versionRecord(const QList<QStringView>& fields) {
    if (fields.size() != 6 || fields[2].isEmpty() ||
        (!fields[5].isEmpty() && fields[5] != QLatin1String("esu"))) {
        return std::nullopt;
    }
    const auto number = majorMinor(fields[1]);
    const auto extendedEnd = dateField(fields[4]);
    std::optional<QDate> mainstreamEnd;
    const bool yearOnly = fields[3].size() == 4 && digitsOnly(fields[3]);
    mainstreamEnd = yearOnly ? QDate(fields[3].toInt(), 1, 1) : dateField(fields[3]);
    if (!number || !extendedEnd || !mainstreamEnd) {
        return std::nullopt;
    }
    SqlServerRelease release;
    release.major = number->first;
    release.minor = number->second;
    release.name = fields[2].toString();
    release.mainstreamEnd = *mainstreamEnd;
    release.mainstreamEndYearOnly = yearOnly;
    release.extendedEnd = *extendedEnd;
    release.extendedSecurityUpdates = !fields[5].isEmpty();
    return release;
}

// build, text, kind, name, KB, date, servicing line, status.
std::optional<KnownBuild> buildRecord(const QList<QStringView>& fields) {
    if (fields.size() != 8 || fields[2].isEmpty() || fields[3].isEmpty() ||
        !digitsOnly(fields[4])) {
        return std::nullopt;
    }
    const auto number = BuildNumber::parse(fields[1]);
    const auto released = dateField(fields[5]);
    if (!number || !released) {
        return std::nullopt;
    }
    KnownBuild build{*number,
                     fields[1].toString(),
                     fields[2].toString(),
                     fields[3].toString(),
                     fields[4].toString(),
                     *released,
                     fields[6].toString(),
                     false,
                     QString(),
                     false};
    const QStringView status = fields[7];
    const QLatin1StringView replaced("replaced by ");
    if (status == QLatin1String("withdrawn")) {
        build.withdrawn = true;
    } else if (status == QLatin1String("optional")) {
        build.optional = true;
    } else if (status.startsWith(replaced) && BuildNumber::parse(status.mid(replaced.size()))) {
        build.withdrawn = true;
        build.replacedBy = status.mid(replaced.size()).toString();
    } else if (!status.isEmpty()) {
        return std::nullopt;
    }
    return build;
}

BuildLookup::Support supportOn(const SqlServerRelease& release, QDate today) {
    // Each end date is the last day of that support.
    if (release.extendedEnd.isValid() && today > release.extendedEnd) {
        return BuildLookup::Support::Ended;
    }
    if (!release.mainstreamEnd.isValid()) {
        return BuildLookup::Support::Unknown;
    }
    // Where only the year is known, mainstream support lasts, as far as anyone can say, to
    // the year's end.
    const QDate mainstreamEnd = release.mainstreamEndYearOnly
                                    ? QDate(release.mainstreamEnd.year(), 12, 31)
                                    : release.mainstreamEnd;
    if (today <= mainstreamEnd) {
        return BuildLookup::Support::Mainstream;
    }
    return release.extendedEnd.isValid() ? BuildLookup::Support::Extended
                                         : BuildLookup::Support::Unknown;
}

// "SP2 CU" -> 2, "RTM GDR" -> 0: how late in the version's life the line's release or
// service pack came.
int servicePackOf(const QString& line) {
    if (!line.startsWith(QLatin1String("SP"))) {
        return 0;
    }
    return line.mid(2, line.indexOf(QLatin1Char(' ')) - 2).toInt();
}

bool cumulativeLine(const QString& line) {
    return line.endsWith(QLatin1String(" CU"));
}

// The builds that count on a line: not withdrawn, and no optional pack on a line of others.
std::vector<const KnownBuild*> countedOn(const std::vector<KnownBuild>& builds,
                                         const QString& line) {
    std::vector<const KnownBuild*> onLine;
    bool allOptional = true;
    for (const KnownBuild& build : builds) {
        if (build.line == line) {
            onLine.push_back(&build);
            allOptional &= build.optional;
        }
    }
    std::erase_if(onLine, [allOptional](const KnownBuild* build) {
        return build->withdrawn || (build->optional && !allOptional);
    });
    return onLine;
}

const KnownBuild* newestOf(const std::vector<const KnownBuild*>& builds) {
    const auto newest = std::max_element(builds.begin(), builds.end(),
                                         [](const KnownBuild* left, const KnownBuild* right) {
                                             return left->number < right->number;
                                         });
    return newest == builds.end() ? nullptr : *newest;
}

} // namespace

BuildCatalogue BuildCatalogue::parse(QStringView text, QString* problem) {
    BuildCatalogue catalogue;
    std::vector<std::pair<KnownBuild, int>> builds;
    QString firstProblem;
    const auto complain = [&firstProblem](int lineNumber, const char* what) {
        if (firstProblem.isEmpty()) {
            firstProblem = QStringLiteral("line %1 %2").arg(lineNumber).arg(QLatin1String(what));
        }
    };
    const QLatin1StringView datePrefix("# date:");
    int lineNumber = 0;
    for (QStringView line : text.tokenize(QLatin1Char('\n'))) {
        ++lineNumber;
        if (line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
        }
        if (line.startsWith(datePrefix)) {
            const std::optional<QDate> date = dateField(line.mid(datePrefix.size()).trimmed());
            if (date && date->isValid()) {
                catalogue.date_ = *date;
            } else {
                complain(lineNumber, "has no date after \u201c# date:\u201d");
            }
            continue;
        }
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        const QList<QStringView> fields = line.split(QLatin1Char('\t'));
        if (fields[0] == QLatin1String("version")) {
            if (const auto release = versionRecord(fields)) {
                catalogue.versions_.push_back({*release, {}});
            } else {
                complain(lineNumber, "is not a whole version record");
            }
        } else if (fields[0] == QLatin1String("build")) {
            if (auto build = buildRecord(fields)) {
                builds.emplace_back(std::move(*build), lineNumber);
            } else {
                complain(lineNumber, "is not a whole build record");
            }
        } else {
            complain(lineNumber, "is not a record");
        }
    }

    std::sort(catalogue.versions_.begin(), catalogue.versions_.end(),
              [](const Version& left, const Version& right) {
                  return std::pair{left.release.major, left.release.minor} >
                         std::pair{right.release.major, right.release.minor};
              });
    // A build whose version the catalogue does not name has nothing to be explained by.
    for (auto& [record, buildLine] : builds) {
        // A plain reference: lambdas cannot capture a structured binding before C++20's
        // clang 16.
        KnownBuild& build = record;
        const auto version =
            std::find_if(catalogue.versions_.begin(), catalogue.versions_.end(),
                         [&build](const Version& candidate) {
                             return candidate.release.major == build.number.majorPart() &&
                                    candidate.release.minor == build.number.minorPart();
                         });
        if (version == catalogue.versions_.end()) {
            complain(buildLine, "is a build of a version the catalogue does not name");
            continue;
        }
        version->release.hasServicePacks |= build.kind == QLatin1String("SP");
        version->builds.push_back(std::move(build));
    }
    if (problem != nullptr) {
        if (!catalogue.date_.isValid()) {
            *problem = QStringLiteral("it has no \u201c# date:\u201d line");
        } else if (firstProblem.isEmpty() && catalogue.buildCount() == 0) {
            *problem = QStringLiteral("it holds no builds");
        } else {
            *problem = firstProblem;
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
    // The listed build itself, or the nearest listed one below it, whose line a build the
    // catalogue does not know is on: the lines' builds are numbered in ranges of their own
    // (15.0.2xxx for SQL Server 2019's GDR line, 15.0.4xxx for its cumulative updates).
    const KnownBuild* below = nullptr;
    const KnownBuild* oldest = nullptr;
    for (const KnownBuild& build : known->builds) {
        if (build.number <= *number && (below == nullptr || build.number > below->number)) {
            below = &build;
        }
        if (oldest == nullptr || build.number < oldest->number) {
            oldest = &build;
        }
    }
    if (below == nullptr) {
        lookup.outcome = BuildLookup::Outcome::OlderThanCatalogue;
        lookup.build = *oldest;
        return lookup;
    }
    lookup.line = below->line;
    const bool aboveOnLine =
        std::any_of(known->builds.begin(), known->builds.end(), [&](const KnownBuild& build) {
            return build.line == below->line && build.number > *number;
        });
    if (below->number == *number) {
        lookup.outcome = BuildLookup::Outcome::Exact;
    } else if (aboveOnLine) {
        lookup.outcome = BuildLookup::Outcome::AtLeast;
    } else {
        lookup.outcome = BuildLookup::Outcome::NewerThanCatalogue;
    }
    lookup.build = *below;
    placeOnLine(*known, lookup);
    if (lookup.outcome == BuildLookup::Outcome::NewerThanCatalogue) {
        // Past everything its line lists: nothing it could be behind is known.
        lookup.build.reset();
        lookup.updatesBehind = 0;
        lookup.daysBehind.reset();
    }
    return lookup;
}

void BuildCatalogue::placeOnLine(const Version& version, BuildLookup& lookup) {
    const KnownBuild& build = *lookup.build;
    const std::vector<const KnownBuild*> onLine = countedOn(version.builds, lookup.line);
    if (const KnownBuild* newest = newestOf(onLine)) {
        lookup.newest = *newest;
    }
    // A release is known by its date; undated builds each count on their own.
    QSet<QString> later;
    for (const KnownBuild* other : onLine) {
        if (other->number <= build.number) {
            continue;
        }
        const bool bothDated = other->released.isValid() && build.released.isValid();
        if (bothDated && other->released <= build.released) {
            continue;
        }
        later.insert(other->released.isValid() ? other->released.toString(Qt::ISODate)
                                               : other->text);
    }
    lookup.updatesBehind = static_cast<int>(later.size());
    if (lookup.newest && lookup.newest->released.isValid() && build.released.isValid()) {
        lookup.daysBehind = std::max<qint64>(0, build.released.daysTo(lookup.newest->released));
    }

    // Updates are usually taken from the newest release or service pack, from whichever of its
    // lines Microsoft updated last, the cumulative updates where both were (as they are, on
    // the same day, for the GDR and CU lines since SQL Server 2017). Optional packs are never
    // the advice.
    QString advisedLine;
    const KnownBuild* advised = nullptr;
    const auto rank = [](const QString& line, const KnownBuild* newest) {
        return std::tuple{servicePackOf(line), newest->released, cumulativeLine(line)};
    };
    QSet<QString> lines;
    for (const KnownBuild& other : version.builds) {
        if (!other.optional && !other.line.isEmpty()) {
            lines.insert(other.line);
        }
    }
    for (const QString& line : lines) {
        const KnownBuild* newest = newestOf(countedOn(version.builds, line));
        if (newest != nullptr &&
            (advised == nullptr || rank(line, newest) > rank(advisedLine, advised))) {
            advisedLine = line;
            advised = newest;
        }
    }
    if (advised != nullptr && advisedLine != lookup.line && advised->number > build.number) {
        lookup.advised = *advised;
    }

    if (!build.replacedBy.isEmpty()) {
        const auto replacement = BuildNumber::parse(build.replacedBy);
        for (const KnownBuild& other : version.builds) {
            if (replacement && other.number == *replacement) {
                lookup.replacement = other;
            }
        }
    }
}

} // namespace brellow::buildinfo
