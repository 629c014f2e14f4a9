#include "buildinfo/ServerInfoMeanings.h"

#include "buildinfo/BuildCatalogue.h"
#include "buildinfo/BuildLookup.h"

#include <algorithm>
#include <array>
#include <utility>

namespace brellow::buildinfo {
namespace {

using Outcome = BuildLookup::Outcome;

QString isoDate(QDate date) {
    return date.toString(Qt::ISODate);
}

QString counted(qint64 count, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

// Microsoft names the SQL Server 2000 and 7.0 builds with the release in front
// ("SQL Server 2000 SP4"), the later ones without ("CU32 + GDR").
QString shortName(const SqlServerRelease& release, const KnownBuild& build) {
    const QString prefix = release.name + QLatin1Char(' ');
    return build.name.startsWith(prefix) ? build.name.mid(prefix.size()) : build.name;
}

QString kindWords(const QString& kind) {
    constexpr std::array<std::pair<const char*, const char*>, 8> words{{
        {"RTM", "the release as first shipped"},
        {"SP", "a service pack"},
        {"CU", "a cumulative update"},
        {"GDR", "a security update (GDR)"},
        {"QFE", "a security update (QFE)"},
        {"Security", "a security update"},
        {"Hotfix", "a hotfix"},
        {"FeaturePack", "a feature pack"},
    }};
    for (const auto& [name, meaning] : words) {
        if (kind == QLatin1String(name)) {
            return QLatin1String(meaning);
        }
    }
    return QString();
}

// The number of a level such as "SP4"; empty for any other level.
QString servicePackNumber(const QString& level) {
    const QString number = level.mid(2);
    const bool digits =
        !number.isEmpty() && std::all_of(number.begin(), number.end(), [](QChar character) {
            return character >= QLatin1Char('0') && character <= QLatin1Char('9');
        });
    return level.startsWith(QLatin1String("SP")) && digits ? number : QString();
}

// Whether the lookup names the build's own version, not merely the nearest one listed.
bool ownRelease(const BuildLookup& lookup) {
    return lookup.release && lookup.outcome != Outcome::NewerVersion &&
           lookup.outcome != Outcome::OlderVersion;
}

// "KB5054833, released 2025-02-27", as much of it as Microsoft gives.
QString articleAndDate(const KnownBuild& build) {
    QStringList parts;
    if (!build.kb.isEmpty()) {
        parts << QStringLiteral("KB") + build.kb;
    }
    if (build.released.isValid()) {
        parts << QStringLiteral("released ") + isoDate(build.released);
    }
    return parts.join(QStringLiteral(", "));
}

// "CU32, a cumulative update (KB5054833, released 2025-02-27)".
QString update(const SqlServerRelease& release, const KnownBuild& build) {
    QString text = shortName(release, build);
    const QString kind = kindWords(build.kind);
    if (!kind.isEmpty()) {
        text += QStringLiteral(", ") + kind;
    }
    const QString facts = articleAndDate(build);
    if (!facts.isEmpty()) {
        text += QStringLiteral(" (") + facts + QLatin1Char(')');
    }
    return text;
}

QString withdrawnNote(const KnownBuild& build) {
    return build.withdrawn ? QStringLiteral(" Microsoft withdrew this build.") : QString();
}

QString behind(const BuildLookup& lookup, const QDate& catalogueDate) {
    const SqlServerRelease& release = *lookup.release;
    if (lookup.updatesBehind == 0 || !lookup.newest) {
        return QStringLiteral("No later %1 update is in the build catalogue, which is dated %2.")
            .arg(release.name, isoDate(catalogueDate));
    }
    QString distance = counted(lookup.updatesBehind, "update", "updates");
    if (lookup.daysBehind) {
        distance += QStringLiteral(" and ") + counted(*lookup.daysBehind, "day", "days");
    }
    return QStringLiteral("It is %1%2 behind the newest %3 build in the catalogue, %4: %5.")
        .arg(lookup.outcome == Outcome::AtLeast ? QStringLiteral("at most ") : QString(), distance,
             release.name, lookup.newest->text, update(release, *lookup.newest));
}

QString support(const BuildLookup& lookup) {
    const SqlServerRelease& release = *lookup.release;
    const QString mainstream = isoDate(release.mainstreamEnd);
    const QString extended = isoDate(release.extendedEnd);
    switch (lookup.support) {
    case BuildLookup::Support::Mainstream:
        return release.extendedEnd.isValid()
                   ? QStringLiteral("Mainstream support ends on %1, extended support on %2.")
                         .arg(mainstream, extended)
                   : QStringLiteral("Mainstream support ends on %1.").arg(mainstream);
    case BuildLookup::Support::Extended:
        return QStringLiteral("Mainstream support ended on %1; extended support ends on %2.")
            .arg(mainstream, extended);
    case BuildLookup::Support::Ended:
        return QStringLiteral("Support has ended: extended support ended on %1.").arg(extended);
    case BuildLookup::Support::Unknown:
        break;
    }
    return QStringLiteral("The catalogue holds no support end dates for %1.").arg(release.name);
}

// Where the build stands when the catalogue does not know its version.
QString outsideTheCatalogue(const BuildLookup& lookup, const QString& version,
                            const QDate& catalogueDate) {
    switch (lookup.outcome) {
    case Outcome::NewerVersion:
        return QStringLiteral("A version newer than %1, the newest in the build catalogue, which "
                              "is dated %2.")
            .arg(lookup.release->name, isoDate(catalogueDate));
    case Outcome::OlderVersion:
        return QStringLiteral("A version older than %1, the oldest in the build catalogue.")
            .arg(lookup.release->name);
    case Outcome::UnknownVersion: {
        const QStringList parts = version.split(QLatin1Char('.'));
        return QStringLiteral("Version %1.%2 is not in the build catalogue.")
            .arg(parts.value(0), parts.value(1));
    }
    default:
        return QStringLiteral("Not a build number: SQL Server gives three or four numbers "
                              "between dots, such as 8.00.2039 or 15.0.4430.1.");
    }
}

} // namespace

ServerInfoMeanings::ServerInfoMeanings(const BuildCatalogue& catalogue, QDate today)
    : catalogue_(catalogue), today_(today) {}

QStringList ServerInfoMeanings::edition(const QString& edition, const QString& version) const {
    if (edition.isEmpty()) {
        return {};
    }
    const BuildLookup lookup = catalogue_.lookup(version, today_);
    return {ownRelease(lookup)
                ? QStringLiteral("The edition of %1 that this server runs, in its own words.")
                      .arg(lookup.release->name)
                : QStringLiteral("The edition that this server runs, in its own words.")};
}

QStringList ServerInfoMeanings::version(const QString& version) const {
    if (version.isEmpty()) {
        return {};
    }
    const BuildLookup lookup = catalogue_.lookup(version, today_);
    const QDate date = catalogue_.date();
    switch (lookup.outcome) {
    case Outcome::Exact:
        return {QStringLiteral("%1 %2.").arg(lookup.release->name,
                                             update(*lookup.release, *lookup.build)) +
                    withdrawnNote(*lookup.build),
                behind(lookup, date), support(lookup)};
    case Outcome::AtLeast:
        return {QStringLiteral("A build the catalogue does not list. It comes after %1, so it is "
                               "at least %2 %3.")
                    .arg(lookup.build->text, lookup.release->name,
                         update(*lookup.release, *lookup.build)),
                behind(lookup, date), support(lookup)};
    case Outcome::NewerThanCatalogue:
        return {QStringLiteral("Newer than every %1 build in the build catalogue, which is dated "
                               "%2. The newest listed is %3: %4.")
                    .arg(lookup.release->name, isoDate(date), lookup.newest->text,
                         update(*lookup.release, *lookup.newest)),
                support(lookup)};
    case Outcome::OlderThanCatalogue:
        return {QStringLiteral("Older than every %1 build in the build catalogue. The oldest "
                               "listed is %2: %3.")
                    .arg(lookup.release->name, lookup.build->text,
                         update(*lookup.release, *lookup.build)),
                support(lookup)};
    default:
        return {outsideTheCatalogue(lookup, version, date)};
    }
}

QStringList ServerInfoMeanings::spLevel(const QString& level, const QString& version) const {
    if (level.isEmpty()) {
        return {};
    }
    const BuildLookup lookup = catalogue_.lookup(version, today_);
    const bool known = ownRelease(lookup);

    QStringList meaning;
    const QString pack = servicePackNumber(level);
    if (level == QLatin1String("RTM") && known && !lookup.release->hasServicePacks) {
        meaning << QStringLiteral("%1 has no service packs: it is updated by cumulative updates "
                                  "(CU) and security updates (GDR), and reports \u201cRTM\u201d "
                                  "at every update level.")
                       .arg(lookup.release->name);
    } else if (level == QLatin1String("RTM")) {
        meaning << QStringLiteral("The release as first shipped: no service pack is installed.");
    } else if (!pack.isEmpty()) {
        meaning << QStringLiteral("Service Pack %1 is installed.").arg(pack);
    } else {
        meaning << QStringLiteral("The product level the server reports.");
    }
    if (!known) {
        return meaning;
    }

    const SqlServerRelease& release = *lookup.release;
    switch (lookup.outcome) {
    case Outcome::Exact:
        meaning << QStringLiteral("Its build, %1, is %2.")
                           .arg(version, update(release, *lookup.build)) +
                       withdrawnNote(*lookup.build);
        break;
    case Outcome::AtLeast:
        meaning << QStringLiteral("Its build, %1, is not listed; it is at least %2.")
                       .arg(version, update(release, *lookup.build));
        break;
    case Outcome::NewerThanCatalogue:
        meaning << QStringLiteral("Its build, %1, is past %2, the newest in the build catalogue, "
                                  "which is dated %3.")
                       .arg(version, update(release, *lookup.newest), isoDate(catalogue_.date()));
        return meaning;
    default:
        return meaning;
    }
    meaning << behind(lookup, catalogue_.date());
    return meaning;
}

} // namespace brellow::buildinfo
