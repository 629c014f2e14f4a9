// UTF-16 as ODBC's wide calls and TDS carry it.
#include "text/Utf16Text.h"

#include <QtTest>

using brellow::text::Utf16Text;

class Utf16Test : public QObject {
    Q_OBJECT

private slots:
    void utf16RoundTripsEveryPlane();
    void utf16ReplacesIllFormedInput();
};

void Utf16Test::utf16RoundTripsEveryPlane() {
    const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z"; // a é € 😀 z
    const std::u16string wide = Utf16Text::fromUtf8(text);
    QCOMPARE(wide, (std::u16string{u'a', u'\u00E9', u'\u20AC', 0xD83D, 0xDE00, u'z'}));
    QCOMPARE(Utf16Text::toUtf8(wide), text);
}

void Utf16Test::utf16ReplacesIllFormedInput() {
    QCOMPARE(Utf16Text::fromUtf8("a\xFF"
                                 "b"),
             (std::u16string{u'a', 0xFFFD, u'b'}));
    QCOMPARE(Utf16Text::fromUtf8("\xC0\xAF"), (std::u16string{0xFFFD, 0xFFFD})); // overlong
    QCOMPARE(Utf16Text::fromUtf8("\xE2\x82"), (std::u16string{0xFFFD, 0xFFFD})); // cut short
    QCOMPARE(Utf16Text::fromUtf8("\xED\xA0\x80").front(), u'\uFFFD');            // surrogate
    QCOMPARE(Utf16Text::toUtf8(std::u16string{0xD800, u'x'}), "\xEF\xBF\xBDx");
    QCOMPARE(Utf16Text::toUtf8(std::u16string{0xDC00}), "\xEF\xBF\xBD");
}

QTEST_GUILESS_MAIN(Utf16Test)
#include "tst_utf16.moc"
