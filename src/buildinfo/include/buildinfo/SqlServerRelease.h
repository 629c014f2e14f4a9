#pragma once

#include <QDate>
#include <QString>

namespace brellow::buildinfo {

// One version of SQL Server as the build catalogue knows it.
struct SqlServerRelease {
    int major = 0;
    int minor = 0;
    // "SQL Server 2019".
    QString name;
    // The last days of Microsoft's mainstream and extended support; null where the catalogue
    // has none.
    QDate mainstreamEnd;
    QDate extendedEnd;
    // Microsoft has published only the year of the mainstream end: mainstreamEnd is that
    // year's first day.
    bool mainstreamEndYearOnly = false;
    // Microsoft sells Extended Security Updates after the extended end; their builds are not
    // public, so no catalogue lists them.
    bool extendedSecurityUpdates = false;
    // Whether any of its builds is a service pack. From SQL Server 2017 on there are none,
    // yet the server still reports its level as "RTM".
    bool hasServicePacks = false;
};

} // namespace brellow::buildinfo
