#pragma once

#include "buildinfo/BuildNumber.h"

#include <QDate>
#include <QString>

namespace brellow::buildinfo {

// One public build of SQL Server, as Microsoft lists it.
struct KnownBuild {
    BuildNumber number;
    // The build as Microsoft spells it ("8.00.2039", "11.0.3156.00").
    QString text;
    // "RTM", "SP", "CU", "GDR", "QFE", "Security", "Hotfix", "FeaturePack" or "Servicing".
    QString kind;
    // Microsoft's name for it: "CU32 + GDR", "SP2 CU17", "SQL Server 2000 SP4".
    QString name;
    // Digits only; empty where Microsoft gives no KB article.
    QString kb;
    // Null where Microsoft gives no date.
    QDate released;
    // The servicing line it belongs to: the release or service pack and its branch ("RTM GDR",
    // "RTM CU", "SP2 GDR", "SP3 Azure Connect"); empty where the version has only one line.
    QString line;
    // Microsoft pulled it after release; replacedBy names the build that took its place, if any.
    bool withdrawn = false;
    QString replacedBy;
    // A feature pack only servers that want it take: never the update others are told to get.
    bool optional = false;
};

} // namespace brellow::buildinfo
