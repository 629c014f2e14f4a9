#pragma once

#include "buildinfo/ServerInfoMeaning.h"

#include <QDate>
#include <QString>

namespace brellow::buildinfo {

class CatalogueChoice;

// What the three answers of Get Version Info mean, read against the build catalogue: for the
// answer fields' tooltips and what a screen reader says of them. The three are read together:
// the edition tells Azure SQL from SQL Server, and the version places the level.
class ServerInfoMeanings {
public:
    // today decides where the version stands in its support life and how old the catalogue is.
    ServerInfoMeanings(const CatalogueChoice& catalogue, QDate today);

    ServerInfoMeaning explain(const QString& edition, const QString& version,
                              const QString& level) const;

private:
    const CatalogueChoice& catalogue_;
    QDate today_;
};

} // namespace brellow::buildinfo
