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
    // Whether any of its builds is a service pack. From SQL Server 2017 on there are none,
    // yet the server still reports its level as "RTM".
    bool hasServicePacks = false;
};

} // namespace brellow::buildinfo
