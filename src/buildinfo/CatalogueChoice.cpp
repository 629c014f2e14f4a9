#include "buildinfo/CatalogueChoice.h"

#include <QDir>
#include <QFile>
#include <utility>

namespace brellow::buildinfo {
namespace {

// After this many days the catalogue has most likely missed a month's updates or two.
constexpr qint64 kStaleAfterDays = 60;

// A catalogue is a few hundred kilobytes; a file far larger is no catalogue, and reading it
// whole would only cost memory.
constexpr qint64 kLargestFile = 16 * 1024 * 1024;

} // namespace

CatalogueChoice::CatalogueChoice(BuildCatalogue catalogue, QString userFile, bool fromUserFile,
                                 QString notUsed)
    : catalogue_(std::move(catalogue)), userFile_(std::move(userFile)), fromUserFile_(fromUserFile),
      notUsed_(std::move(notUsed)) {}

CatalogueChoice CatalogueChoice::choose(BuildCatalogue builtIn, const QString& userFile) {
    QFile file(userFile);
    if (userFile.isEmpty() || !file.exists()) {
        return CatalogueChoice(std::move(builtIn), QString(), false, QString());
    }
    const QString shown = QDir::toNativeSeparators(userFile);
    const auto refuse = [&](const QString& why) {
        return CatalogueChoice(
            std::move(builtIn), shown, false,
            QStringLiteral("Your catalogue %1 was refused: %2.").arg(shown, why));
    };
    if (file.size() > kLargestFile) {
        return refuse(QStringLiteral("it is larger than any catalogue"));
    }
    if (!file.open(QIODevice::ReadOnly)) {
        return refuse(QStringLiteral("it cannot be read (%1)").arg(file.errorString()));
    }
    QString problem;
    BuildCatalogue own = BuildCatalogue::parse(QString::fromUtf8(file.readAll()), &problem);
    if (!problem.isEmpty()) {
        return refuse(problem);
    }
    if (own.date() <= builtIn.date()) {
        const QString older =
            QStringLiteral("Your catalogue %1 is dated %2, no later than the built-in one.")
                .arg(shown, own.date().toString(Qt::ISODate));
        return CatalogueChoice(std::move(builtIn), shown, false, older);
    }
    return CatalogueChoice(std::move(own), shown, true, QString());
}

QString CatalogueChoice::description(QDate today) const {
    const QDate date = catalogue_.date();
    QString text = fromUserFile_
                       ? QStringLiteral("Read against your build catalogue %1, dated %2")
                             .arg(userFile_, date.toString(Qt::ISODate))
                       : QStringLiteral("Read against the built-in build catalogue, dated %1")
                             .arg(date.toString(Qt::ISODate));
    const qint64 age = date.isValid() ? date.daysTo(today) : 0;
    if (age > 0) {
        text += age == 1 ? QStringLiteral(", a day ago") : QStringLiteral(", %1 days ago").arg(age);
    }
    if (age > kStaleAfterDays) {
        text += QStringLiteral(": newer updates may exist");
    }
    text += QLatin1Char('.');
    if (!notUsed_.isEmpty()) {
        text += QLatin1Char(' ') + notUsed_;
    }
    return text;
}

} // namespace brellow::buildinfo
