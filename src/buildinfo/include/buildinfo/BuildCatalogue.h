#pragma once

#include "buildinfo/BuildLookup.h"
#include "buildinfo/KnownBuild.h"
#include "buildinfo/SqlServerRelease.h"

#include <QDate>
#include <QString>
#include <QStringView>
#include <vector>

namespace brellow::buildinfo {

// Every public build of SQL Server that Microsoft lists, with each version's support end
// dates, read from a catalogue text (resources/sqlserver-builds.txt, which
// tools/catalogue/make-catalogue makes). It turns a version string the server answered with
// into what that build is.
class BuildCatalogue {
public:
    // Reads a catalogue's text. Lines that are no whole record are passed over, so that a
    // damaged line costs its own build and nothing more; problem, when given, receives the
    // first thing wrong with the text (empty when nothing is), for a file that must be whole.
    static BuildCatalogue parse(QStringView text, QString* problem = nullptr);
    // The catalogue compiled into the program.
    static BuildCatalogue builtIn();

    // How up to date the catalogue is: builds released after it are not in it.
    QDate date() const { return date_; }
    int buildCount() const;

    // today decides where the version stands in its support life.
    BuildLookup lookup(QStringView version, QDate today) const;

private:
    struct Version {
        SqlServerRelease release;
        std::vector<KnownBuild> builds;
    };

    // Places lookup.line's builds against lookup.build: the newest, how far behind, and the
    // line usually advised.
    static void placeOnLine(const Version& version, BuildLookup& lookup);

    QDate date_;
    // Newest version first.
    std::vector<Version> versions_;
};

} // namespace brellow::buildinfo
