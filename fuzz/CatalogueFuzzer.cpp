// libFuzzer target: a build catalogue's text, which may come from the user's data folder, must
// never crash its reading, nor the lookups and meanings read against it; a text with no problem
// reported has a date.
#include "buildinfo/BuildCatalogue.h"
#include "buildinfo/CatalogueChoice.h"
#include "buildinfo/ServerInfoMeanings.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace brellow::buildinfo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString problem;
    const BuildCatalogue catalogue = BuildCatalogue::parse(text, &problem);
    if (problem.isEmpty() && !catalogue.date().isValid()) {
        std::abort();
    }
    // The builds the text names, and numbers around them, read as a server's answers.
    static QTemporaryDir folder;
    const QString path = QDir(folder.path()).filePath(QStringLiteral("sqlserver-builds.txt"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return 0;
    }
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    file.close();
    const CatalogueChoice choice = CatalogueChoice::choose(catalogue, path);
    const ServerInfoMeanings meanings(choice, QDate(2026, 12, 8));
    for (const QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        const QList<QStringView> fields = line.split(QLatin1Char('\t'));
        if (fields.size() > 1) {
            const QString version = fields[1].toString();
            meanings.explain(QStringLiteral("Standard Edition"), version, QStringLiteral("RTM"));
            meanings.explain(QStringLiteral("Standard Edition"), version + QStringLiteral(".1"),
                             QStringLiteral("SP1"));
        }
    }
    return 0;
}
