#include "windowkit/FontSetup.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QTemporaryDir>
#include <QTextLayout>
#include <QtTest>

using brellow::windowkit::FontSetup;

namespace {

QString shownFamily(const char* family, qreal pointSize = 9.75, bool bold = false) {
    QFont font{QString::fromLatin1(family)};
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return QFontInfo(font).family();
}

const QString kWineTahoma =
    QString::fromLatin1(FontSetup::kWineFontDirectory) + QStringLiteral("/tahoma.ttf");

} // namespace

class FontSetupTest : public QObject {
    Q_OBJECT
private slots:
    // Runs first: once Wine's Tahoma is loaded into the process it stays there.
    void withoutWineFontsTahomaFallsBackToAnInstalledSans() {
        if (QFontDatabase::families().contains(QStringLiteral("Tahoma"), Qt::CaseInsensitive)) {
            QSKIP("this machine has a real Tahoma");
        }
        QTemporaryDir emptyDirectory;
        QVERIFY(emptyDirectory.isValid());

        const FontSetup::Choice choice = FontSetup::install(emptyDirectory.path());

        QCOMPARE(choice.tahoma, FontSetup::sansFallback());
        QVERIFY(QFontDatabase::families().contains(choice.tahoma));
        QCOMPARE(shownFamily("Tahoma"), choice.tahoma);
        QCOMPARE(shownFamily("MS Sans Serif", 8.25), choice.msSansSerif);
        QCOMPARE(shownFamily("Arial"), choice.arial);
    }

    void wineTahomaIsLoadedAndUsedInBothWeights() {
        if (!QFile::exists(kWineTahoma)) {
            QSKIP("Wine's fonts are not installed (package fonts-wine)");
        }
        const FontSetup::Choice choice = FontSetup::install();

        QCOMPARE(choice.tahoma, QStringLiteral("Tahoma"));
        QCOMPARE(shownFamily("Tahoma"), QStringLiteral("Tahoma"));
        // The headings are bold: a real bold face, not a smeared regular one.
        QVERIFY(
            QFontDatabase::isSmoothlyScalable(QStringLiteral("Tahoma"), QStringLiteral("Bold")));
        QFont bold(QStringLiteral("Tahoma"));
        bold.setBold(true);
        QVERIFY(QFontInfo(bold).bold());
        QCOMPARE(QFontInfo(bold).family(), QStringLiteral("Tahoma"));
        // A stale substitution from an earlier run must not survive.
        QVERIFY(!QFont::substitutes(QStringLiteral("Tahoma")).contains(FontSetup::sansFallback()));
    }

    void wineMsSansSerifGivesTheClassicThirteenPixelCell() {
        if (!QFile::exists(QString::fromLatin1(FontSetup::kWineFontDirectory) +
                           QStringLiteral("/ms_sans_serif.ttf"))) {
            QSKIP("Wine's fonts are not installed (package fonts-wine)");
        }
        const FontSetup::Choice choice = FontSetup::install();
        QCOMPARE(choice.msSansSerif, QStringLiteral("MS Sans Serif"));
        QFont font(QStringLiteral("MS Sans Serif"));
        font.setPointSizeF(8.25);
        QCOMPARE(QFontInfo(font).family(), QStringLiteral("MS Sans Serif"));
        QFontMetrics metrics(font);
        QCOMPARE(metrics.height(), 13);
        // Narrow enough for the captions drawn for it.
        QVERIFY(metrics.horizontalAdvance(QStringLiteral("Get Version Info")) < 105 - 8);
        // Wine's face has a ligature that draws "TM" as a trademark sign; the tooltips,
        // which use the application's font, say "RTM" a lot.
        QTextLayout layout(QStringLiteral("RTM"), QApplication::font());
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        QCOMPARE(layout.glyphRuns().value(0).glyphIndexes().size(), 3);
    }

    void classicFamiliesResolveToInstalledFaces() {
        const FontSetup::Choice choice = FontSetup::install();
        for (const QString& face : {choice.tahoma, choice.msSansSerif, choice.arial}) {
            QVERIFY2(QFontDatabase::families().contains(face, Qt::CaseInsensitive),
                     qPrintable(face));
        }
        QCOMPARE(shownFamily("Arial"), choice.arial);
        QCOMPARE(shownFamily("MS Sans Serif", 8.25), choice.msSansSerif);
    }

    void defaultFontIsMsSansSerifAtEightAndAQuarterPoints() {
        const FontSetup::Choice choice = FontSetup::install();
        const QFont applicationFont = QApplication::font();
        QCOMPARE(applicationFont.family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(applicationFont.pointSizeF(), 8.25);
        QCOMPARE(QFontInfo(applicationFont).family(), choice.msSansSerif);
        // A window created now inherits it.
        QWidget window;
        QCOMPARE(QFontInfo(window.font()).family(), choice.msSansSerif);
    }
};

QTEST_MAIN(FontSetupTest)
#include "tst_fontsetup.moc"
