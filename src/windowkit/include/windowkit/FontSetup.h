#pragma once

#include <QString>

namespace brellow::windowkit {

// The windows ask for Tahoma, MS Sans Serif and Arial, which a Linux desktop rarely has.
// Rather than leave the choice to fontconfig, start-up resolves each requested family to
// a face that is really there and registers it as the substitute, so that the windows can
// keep asking for the classic names. Windows has all three; there only what is missing is
// substituted.
class FontSetup {
public:
    // Which face each classic family resolved to.
    struct Choice {
        QString tahoma;
        QString msSansSerif;
        QString arial;
    };

#ifdef _WIN32
    static constexpr const char* kWineFontDirectory = "";
#else
    static constexpr const char* kWineFontDirectory = "/usr/share/wine/fonts";
#endif

    // Loads Wine's Tahoma and MS Sans Serif from wineFontDirectory where the system lacks
    // them, installs substitutes for what is still missing and makes MS Sans Serif 8.25 pt the
    // application's default font (the font of every window that sets none of its own).
    static Choice
    install(const QString& wineFontDirectory = QString::fromLatin1(kWineFontDirectory));

    // The first of the faces that fit a sans-serif UI font which is installed.
    static QString sansFallback();

private:
    static QString resolve(const QString& family, const QString& fallback);
};

} // namespace brellow::windowkit
