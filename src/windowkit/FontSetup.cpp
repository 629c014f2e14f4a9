#include "windowkit/FontSetup.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QStringList>

namespace brellow::windowkit {
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

QString FontSetup::sansFallback() {
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

QString FontSetup::resolve(const QString& family, const QString& fallback) {
    if (isInstalled(family)) {
        QFont::removeSubstitutions(family);
        return family;
    }
    QFont::removeSubstitutions(family);
    QFont::insertSubstitution(family, fallback);
    return fallback;
}

FontSetup::Choice FontSetup::install(const QString& wineFontDirectory) {
    const QString tahoma = QStringLiteral("Tahoma");
    const QString msSansSerif = QStringLiteral("MS Sans Serif");
    if (!wineFontDirectory.isEmpty()) {
        // Wine ships free versions of both, but outside fontconfig's folders. Its MS Sans
        // Serif holds the classic bitmap strikes (13 pixels for 8.25 pt at 96 dpi), so
        // buttons and menus get the very cell the layouts were drawn for.
        const QDir directory(wineFontDirectory);
        if (!isInstalled(tahoma)) {
            addFontFile(directory, QStringLiteral("tahoma.ttf"));
            addFontFile(directory, QStringLiteral("tahomabd.ttf"));
        }
        if (!isInstalled(msSansSerif)) {
            addFontFile(directory, QStringLiteral("ms_sans_serif.ttf"));
        }
    }

    const QString fallback = sansFallback();
    Choice choice;
    choice.tahoma = resolve(tahoma, fallback);
    choice.msSansSerif = resolve(msSansSerif, fallback);
    choice.arial = resolve(QStringLiteral("Arial"), fallback);

    QFont defaultFont(msSansSerif);
    defaultFont.setPointSizeF(8.25);
    // Wine's MS Sans Serif joins "TM" into one trademark sign, which would mangle every "RTM"
    // in the tooltips. Latin text needs no shaping, and the real face has no such ligature.
    defaultFont.setStyleStrategy(QFont::PreferNoShaping);
    QApplication::setFont(defaultFont);
    return choice;
}

} // namespace brellow::windowkit
