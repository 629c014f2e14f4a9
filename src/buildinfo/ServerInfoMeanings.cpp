#include "buildinfo/ServerInfoMeanings.h"

#include "buildinfo/BuildCatalogue.h"
#include "buildinfo/BuildLookup.h"
#include "buildinfo/CatalogueChoice.h"

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

// Azure SQL Database and Managed Instance both call their edition this, whatever version
// number they give.
bool azureSql(const QString& edition) {
    return edition.compare(QLatin1String("SQL Azure"), Qt::CaseInsensitive) == 0;
}

// Microsoft names the SQL Server 2000 and 7.0 builds with the release in front
// ("SQL Server 2000 SP4"), the later ones without ("CU32 + GDR").
QString shortName(const SqlServerRelease& release, const KnownBuild& build) {
    const QString prefix = release.name + QLatin1Char(' ');
    return build.name.startsWith(prefix) ? build.name.mid(prefix.size()) : build.name;
}

QString kindWords(const QString& kind) {
    constexpr std::array<std::pair<const char*, const char*>, 9> words{{
        {"RTM", "the release as first shipped"},
        {"SP", "a service pack"},
        {"CU", "a cumulative update"},
        {"GDR", "a security update (GDR)"},
        {"QFE", "a security update (QFE)"},
        {"Security", "a security update"},
        {"Hotfix", "a hotfix"},
        {"FeaturePack", "a feature pack"},
        {"Servicing", "a servicing update (GDR) with no security fix"},
    }};
    for (const auto& [name, meaning] : words) {
        if (kind == QLatin1String(name)) {
            return QLatin1String(meaning);
        }
    }
    return QString();
}

// "RTM GDR" -> "the GDR line, which takes security fixes only" for a version without service
// packs; "SP2 CU" -> "the SP2 cumulative-update line". Empty where the version has one line.
QString lineWords(const SqlServerRelease& release, const QString& line) {
    const qsizetype space = line.indexOf(QLatin1Char(' '));
    if (space < 0) {
        return QString();
    }
    const QString base = release.hasServicePacks ? line.left(space) + QLatin1Char(' ') : QString();
    const QStringView branch = QStringView(line).mid(space + 1);
    if (branch == QLatin1String("GDR")) {
        return QStringLiteral("the %1GDR line, which takes security fixes only").arg(base);
    }
    if (branch == QLatin1String("CU")) {
        return QStringLiteral("the %1cumulative-update line").arg(base);
    }
    return QStringLiteral("the %1%2 line, an optional pack").arg(base, branch.toString());
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

// ", on the cumulative-update line", or nothing where the version has one line.
QString onLine(const BuildLookup& lookup) {
    const QString words = lineWords(*lookup.release, lookup.line);
    return words.isEmpty() ? QString() : QStringLiteral(", on ") + words;
}

// " on its line, the GDR line, which takes security fixes only", or nothing where the
// version has one line.
QString ofItsLine(const BuildLookup& lookup) {
    const QString words = lineWords(*lookup.release, lookup.line);
    return words.isEmpty() ? QString() : QStringLiteral(" on its line, ") + words;
}

QString withdrawnNote(const BuildLookup& lookup) {
    if (lookup.replacement) {
        return QStringLiteral(" Microsoft withdrew this build and replaced it with %1: %2.")
            .arg(lookup.replacement->text, update(*lookup.release, *lookup.replacement));
    }
    return lookup.build->withdrawn ? QStringLiteral(" Microsoft withdrew this build.") : QString();
}

QString behind(const BuildLookup& lookup) {
    if (lookup.updatesBehind == 0 || !lookup.newest) {
        return lookup.line.isEmpty()
                   ? QStringLiteral("No later %1 update is in the build catalogue.")
                         .arg(lookup.release->name)
                   : QStringLiteral("No later update of its line is in the build catalogue.");
    }
    QString distance = counted(lookup.updatesBehind, "update", "updates");
    if (lookup.daysBehind) {
        distance += QStringLiteral(" and ") + counted(*lookup.daysBehind, "day", "days");
    }
    return QStringLiteral("It is %1%2 behind the newest %3 in the build catalogue, %4: %5.")
        .arg(lookup.outcome == Outcome::AtLeast ? QStringLiteral("at most ") : QString(), distance,
             lookup.line.isEmpty() ? lookup.release->name + QStringLiteral(" build")
                                   : QStringLiteral("build of its line"),
             lookup.newest->text, update(*lookup.release, *lookup.newest));
}

// Where the server is off the line updates usually come from: that line, and its newest build.
QString advice(const BuildLookup& lookup) {
    if (!lookup.advised) {
        return QString();
    }
    return QStringLiteral("The usual advice is to move to %1: its newest build is %2, %3.")
        .arg(lineWords(*lookup.release, lookup.advised->line), lookup.advised->text,
             update(*lookup.release, *lookup.advised));
}

QString support(const BuildLookup& lookup) {
    const SqlServerRelease& release = *lookup.release;
    const QString mainstream = release.mainstreamEndYearOnly
                                   ? QStringLiteral("in %1").arg(release.mainstreamEnd.year())
                                   : QStringLiteral("on ") + isoDate(release.mainstreamEnd);
    const QString extended = isoDate(release.extendedEnd);
    switch (lookup.support) {
    case BuildLookup::Support::Mainstream:
        return release.extendedEnd.isValid()
                   ? QStringLiteral("Mainstream support ends %1, extended support on %2.")
                         .arg(mainstream, extended)
                   : QStringLiteral("Mainstream support ends %1.").arg(mainstream);
    case BuildLookup::Support::Extended:
        return QStringLiteral("Mainstream support ended %1; extended support ends on %2.")
            .arg(mainstream, extended);
    case BuildLookup::Support::Ended:
        return QStringLiteral("Support has ended: extended support ended on %1.").arg(extended) +
               (release.extendedSecurityUpdates
                    ? QStringLiteral(" Microsoft sells Extended Security Updates for %1 beyond "
                                     "that date; their builds are not public, and no catalogue "
                                     "lists them.")
                          .arg(release.name)
                    : QString());
    case BuildLookup::Support::Unknown:
        break;
    }
    return QStringLiteral("The catalogue holds no support end dates for %1.").arg(release.name);
}

// Where the build stands when the catalogue does not know its version.
QString outsideTheCatalogue(const BuildLookup& lookup, const QString& version) {
    switch (lookup.outcome) {
    case Outcome::NewerVersion:
        return QStringLiteral("A version newer than %1, the newest in the build catalogue.")
            .arg(lookup.release->name);
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

QStringList versionMeaning(const BuildLookup& lookup, const QString& version, QDate catalogueDate) {
    const SqlServerRelease* release = lookup.release ? &*lookup.release : nullptr;
    switch (lookup.outcome) {
    case Outcome::Exact:
        return {QStringLiteral("%1 %2%3.")
                        .arg(release->name, update(*release, *lookup.build), onLine(lookup)) +
                    withdrawnNote(lookup),
                behind(lookup), advice(lookup), support(lookup)};
    case Outcome::AtLeast:
        return {QStringLiteral("A build the catalogue does not list%1. It comes after %2, so it "
                               "is at least %3 %4.")
                    .arg(onLine(lookup), lookup.build->text, release->name,
                         update(*release, *lookup.build)),
                behind(lookup), advice(lookup), support(lookup)};
    case Outcome::NewerThanCatalogue:
        // A line whose every build was withdrawn has no newest.
        return {QStringLiteral("A %1 build newer than every one the build catalogue (dated %2) "
                               "lists%3.")
                        .arg(release->name, isoDate(catalogueDate), ofItsLine(lookup)) +
                    (lookup.newest ? QStringLiteral(" The newest listed is %1: %2.")
                                         .arg(lookup.newest->text, update(*release, *lookup.newest))
                                   : QString()),
                advice(lookup), support(lookup)};
    case Outcome::OlderThanCatalogue:
        return {QStringLiteral("Older than every %1 build in the build catalogue. The oldest "
                               "listed is %2: %3.")
                    .arg(release->name, lookup.build->text, update(*release, *lookup.build)),
                support(lookup)};
    default:
        return {outsideTheCatalogue(lookup, version)};
    }
}

QStringList levelMeaning(const BuildLookup& lookup, const QString& level, const QString& version) {
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
        meaning << QStringLiteral("Its build, %1, is %2%3.")
                           .arg(version, update(release, *lookup.build), onLine(lookup)) +
                       withdrawnNote(lookup);
        break;
    case Outcome::AtLeast:
        meaning << QStringLiteral("Its build, %1, is not listed; it is at least %2%3.")
                       .arg(version, update(release, *lookup.build), onLine(lookup));
        break;
    case Outcome::NewerThanCatalogue:
        meaning << QStringLiteral("Its build, %1, is newer than every one the build catalogue "
                                  "lists%2.")
                       .arg(version, ofItsLine(lookup));
        return meaning;
    default:
        return meaning;
    }
    meaning << behind(lookup);
    return meaning;
}

} // namespace

ServerInfoMeanings::ServerInfoMeanings(const CatalogueChoice& catalogue, QDate today)
    : catalogue_(catalogue), today_(today) {}

ServerInfoMeaning ServerInfoMeanings::explain(const QString& edition, const QString& version,
                                              const QString& level) const {
    ServerInfoMeaning meaning;
    if (azureSql(edition)) {
        // Microsoft says Azure SQL's version numbers do not compare with SQL Server's, and
        // keeps it on the newest engine: no catalogue of SQL Server builds applies.
        meaning.edition = {QStringLiteral("Azure SQL: Azure SQL Database or Azure SQL Managed "
                                          "Instance, which the answers cannot tell apart. "
                                          "Microsoft runs the engine and keeps it up to date.")};
        if (!version.isEmpty()) {
            meaning.version = {QStringLiteral("An Azure SQL version number, not a SQL Server "
                                              "build: Microsoft numbers Azure SQL in its own way, "
                                              "and the two do not compare."),
                               QStringLiteral("Azure SQL always runs Microsoft's newest engine: "
                                              "there is no update to install and no end of "
                                              "support to plan for.")};
        }
        if (!level.isEmpty()) {
            meaning.level = {QStringLiteral("The product level Azure SQL reports; Microsoft "
                                            "applies its updates.")};
        }
        return meaning;
    }

    const BuildLookup lookup = catalogue_.catalogue().lookup(version, today_);
    const QString source = catalogue_.description(today_);
    if (!edition.isEmpty()) {
        meaning.edition = {
            ownRelease(lookup)
                ? QStringLiteral("The edition of %1 that this server runs, in its own words.")
                      .arg(lookup.release->name)
                : QStringLiteral("The edition that this server runs, in its own words.")};
        if (ownRelease(lookup)) {
            meaning.edition << source;
        }
    }
    if (!version.isEmpty()) {
        meaning.version = versionMeaning(lookup, version, catalogue_.catalogue().date());
        meaning.version << source;
        meaning.version.removeAll(QString());
    }
    if (!level.isEmpty()) {
        meaning.level = levelMeaning(lookup, level, version);
        if (ownRelease(lookup)) {
            meaning.level << source;
        }
    }
    return meaning;
}

} // namespace brellow::buildinfo
