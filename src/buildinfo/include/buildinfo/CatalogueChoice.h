#pragma once

#include "buildinfo/BuildCatalogue.h"

#include <QDate>
#include <QString>

namespace brellow::buildinfo {

// Which build catalogue the answers are read against: the one built into the program, or a
// newer one the user has put in their data folder, made by tools/catalogue/make-catalogue
// from Microsoft's current lists. The user's file is only ever read: it is theirs, and the
// program keeps nothing of its own between runs.
class CatalogueChoice {
public:
    // The user's file at userFile is taken when it is a whole catalogue dated after the
    // built-in one; otherwise the built-in one is, and the reason is kept to be told.
    static CatalogueChoice choose(BuildCatalogue builtIn, const QString& userFile);

    const BuildCatalogue& catalogue() const { return catalogue_; }
    bool fromUserFile() const { return fromUserFile_; }

    // A sentence for the answers' meanings: which catalogue, how old it is on today, and what
    // became of the user's file where there is one that was not used.
    QString description(QDate today) const;

private:
    CatalogueChoice(BuildCatalogue catalogue, QString userFile, bool fromUserFile, QString notUsed);

    BuildCatalogue catalogue_;
    QString userFile_;
    bool fromUserFile_ = false;
    // What became of the user's file where it was not used, as a sentence; empty where it was,
    // or where there is none.
    QString notUsed_;
};

} // namespace brellow::buildinfo
