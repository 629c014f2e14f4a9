#include "app/FontSetup.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QStringList>

namespace brellow::app {
namespace {

bool isInstalled(const QString& family) {
    return QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}

void addFontFile(const QDir& directory, const QString& fileName) {
    const QString path = directory.filePath(fileName);
    if (QFile::exists(path)) {
        QFontDatabase::addApplicationFont(path);
    }
}

} // namespace

QString FontSetup::SansFallback() {
    // Liberation Sans first: it is metric-compatible with Arial and a little narrower than
    // Tahoma, so captions laid out for the classic faces still fit.
    static const char* const kCandidates[] = {"Liberation Sans", "Arimo", "DejaVu Sans"};
    for (const char* candidate : kCandidates) {
        const QString family = QString::fromLatin1(candidate);
        if (isInstalled(family)) {
            return family;
        }
    }
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

QString FontSetup::Resolve(const QString& family, const QString& fallback) {
    if (isInstalled(family)) {
        QFont::removeSubstitutions(family);
        return family;
    }
    QFont::removeSubstitutions(family);
    QFont::insertSubstitution(family, fallback);
    return fallback;
}

FontSetup::Choice FontSetup::Install(const QString& wineFontDirectory) {
    const QString tahoma = QStringLiteral("Tahoma");
    if (!isInstalled(tahoma) && !wineFontDirectory.isEmpty()) {
        // Wine ships a free Tahoma but outside fontconfig's folders.
        const QDir directory(wineFontDirectory);
        addFontFile(directory, QStringLiteral("tahoma.ttf"));
        addFontFile(directory, QStringLiteral("tahomabd.ttf"));
    }

    const QString fallback = SansFallback();
    Choice choice;
    choice.tahoma = Resolve(tahoma, fallback);
    choice.msSansSerif = Resolve(QStringLiteral("MS Sans Serif"), fallback);
    choice.arial = Resolve(QStringLiteral("Arial"), fallback);

    QFont defaultFont(QStringLiteral("MS Sans Serif"));
    defaultFont.setPointSizeF(8.25);
    QApplication::setFont(defaultFont);
    return choice;
}

} // namespace brellow::app
