#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

namespace brellow::buildinfo {

class BuildCatalogue;

// What the three answers of Get Version Info mean, read against the build catalogue: a few
// sentences each, for the answer fields' tooltips and what a screen reader says of them. The
// edition and the level are read against the version, which the server gives in the same
// answer. An empty answer means nothing.
class ServerInfoMeanings {
public:
    // today decides whether the version's support has ended.
    ServerInfoMeanings(const BuildCatalogue& catalogue, QDate today);

    QStringList edition(const QString& edition, const QString& version) const;
    // The build: its release, update, KB article and date, how far behind the newest build
    // of its version it is, and where its support stands.
    QStringList version(const QString& version) const;
    // The service-pack level, with the update level it leaves out; "RTM" of a version that
    // has no service packs says nothing about updates.
    QStringList spLevel(const QString& level, const QString& version) const;

private:
    const BuildCatalogue& catalogue_;
    QDate today_;
};

} // namespace brellow::buildinfo
