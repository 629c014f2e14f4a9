#pragma once

#include "buildinfo/KnownBuild.h"
#include "buildinfo/SqlServerRelease.h"

#include <optional>

namespace brellow::buildinfo {

// What the build catalogue says about one version string.
struct BuildLookup {
    enum class Outcome {
        // Not a build number at all.
        Malformed,
        // A build the catalogue lists: build is it.
        Exact,
        // Between two listed builds of its line: build is the nearest earlier one.
        AtLeast,
        // Above every listed build of its line: newest is the newest of them.
        NewerThanCatalogue,
        // Below every listed build of its version: build is the oldest of them.
        OlderThanCatalogue,
        // A version above every version listed: release is the newest listed.
        NewerVersion,
        // A version below every version listed: release is the oldest listed.
        OlderVersion,
        // A version between listed ones that the catalogue does not know.
        UnknownVersion,
    };

    // Where today lies against the release's support end dates.
    enum class Support { Unknown, Mainstream, Extended, Ended };

    Outcome outcome = Outcome::Malformed;
    std::optional<SqlServerRelease> release;
    std::optional<KnownBuild> build;
    // The servicing line the version string is on: a listed build's own, or for one the
    // catalogue does not list, the line of the nearest listed build below it.
    QString line;
    // The newest build of that line that Microsoft has not withdrawn, leaving out optional
    // packs unless the line is one.
    std::optional<KnownBuild> newest;
    // Releases on the line after build, withdrawn and optional ones left out. Builds released
    // on the same day count once.
    int updatesBehind = 0;
    // Days from build's release to newest's; empty where either date is unknown.
    std::optional<qint64> daysBehind;
    // Where the server is not on the line updates are usually taken from (the newest release
    // or service pack's cumulative updates), that line's newest build.
    std::optional<KnownBuild> advised;
    // The build that replaced a withdrawn build, where Microsoft names one.
    std::optional<KnownBuild> replacement;
    Support support = Support::Unknown;
};

} // namespace brellow::buildinfo
