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
        // Between two listed builds of its version: build is the nearest earlier one.
        AtLeast,
        // Above every listed build of its version: build is the newest of them.
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
    // The newest build of the release that Microsoft has not withdrawn.
    std::optional<KnownBuild> newest;
    // Releases of the version after build, withdrawn ones left out. Builds released on the
    // same day (the parallel GDR and CU branches) count once.
    int updatesBehind = 0;
    // Days from build's release to newest's; empty where either date is unknown.
    std::optional<qint64> daysBehind;
    Support support = Support::Unknown;
};

} // namespace brellow::buildinfo
