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
    // "RTM", "SP", "CU", "GDR", "QFE", "Hotfix", "Security" or "FeaturePack".
    QString kind;
    // Microsoft's name for it: "CU32 + GDR", "SP2 CU17", "SQL Server 2000 SP4".
    QString name;
    // Digits only; empty where Microsoft gives no KB article.
    QString kb;
    // Null where Microsoft gives no date.
    QDate released;
    // Microsoft pulled it after release.
    bool withdrawn = false;
};

} // namespace brellow::buildinfo
