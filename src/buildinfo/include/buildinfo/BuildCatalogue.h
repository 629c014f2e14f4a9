#pragma once

#include "buildinfo/BuildLookup.h"
#include "buildinfo/KnownBuild.h"
#include "buildinfo/SqlServerRelease.h"

#include <QDate>
#include <QStringView>
#include <vector>

namespace brellow::buildinfo {

// Every public build of SQL Server that Microsoft lists, with each version's support end
// dates, read from the catalogue text the program carries (resources/sqlserver-builds.txt).
// It turns a version string the server answered with into what that build is.
class BuildCatalogue {
public:
    // Reads the catalogue's text. Lines that are no whole record are passed over, so that a
    // damaged line costs its own build and nothing more.
    static BuildCatalogue parse(QStringView text);
    // The catalogue compiled into the program.
    static BuildCatalogue builtIn();

    // The date the catalogue's sources were last updated: builds after it are not in it.
    QDate date() const { return date_; }
    int buildCount() const;

    // today decides where the version stands in its support life.
    BuildLookup lookup(QStringView version, QDate today) const;

private:
    struct Version {
        SqlServerRelease release;
        // Newest first, as Microsoft lists them.
        std::vector<KnownBuild> builds;
    };

    // Fills in how far lookup's build is behind the newest of its version.
    static void behind(const Version& version, BuildLookup& lookup);

    QDate date_;
    // Newest version first.
    std::vector<Version> versions_;
};

} // namespace brellow::buildinfo
