#include "results/TabStopDelegate.h"

#include <QFontMetricsF>
#include <QStandardItemModel>
#include <QStyleOptionViewItem>
#include <QtTest>
#include <cmath>

using brellow::results::TabStopDelegate;

// Where the pieces of a row land, for the list box's two stops (0 and 130 dialog units)
// and for the other stop settings a list box accepts.
class TabStopDelegateTest : public QObject {
    Q_OBJECT

private:
    QFont font;
    qreal average = 0;

    QFontMetricsF metrics() const { return QFontMetricsF(font); }
    qreal width(const QString& text) const { return metrics().horizontalAdvance(text); }
    qreal units(int dialogUnits) const { return std::round(dialogUnits * average / 4.0); }
    // The first multiple of eight average widths strictly beyond x.
    qreal nextDefaultStop(qreal x) const {
        const qreal interval = 8 * average;
        return (std::floor(x / interval) + 1) * interval;
    }
    std::vector<qreal> positions(const std::vector<int>& stops, const QString& row) const {
        TabStopDelegate delegate;
        delegate.setTabStops(stops);
        return delegate.piecePositions(row, metrics());
    }

private slots:
    void initTestCase() {
        font = QFont(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(12);
        average = metrics().horizontalAdvance(
                      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                  52.0;
        QVERIFY(average > 3);
        QCOMPARE(TabStopDelegate::averageCharWidth(metrics()), average);
    }

    void aRowWithoutTabsStartsAtTheLeftEdge() {
        QCOMPARE(positions({0, 130}, QStringLiteral("no tab here")),
                 std::vector<qreal>{TabStopDelegate::kTextMargin});
    }

    void theSecondColumnStartsThirtyTwoAndAHalfAverageWidthsIn() {
        const qreal stop = std::round(32.5 * average);
        QCOMPARE(units(130), stop);
        QCOMPARE(positions({0, 130}, QStringLiteral("Current Catalog\tmaster")),
                 (std::vector<qreal>{1, stop}));
        // A stop at 0 never catches a tab: text always starts at or beyond it.
        QCOMPARE(positions({0, 130}, QStringLiteral("\tvalue")), (std::vector<qreal>{1, stop}));
    }

    void aNameWiderThanTheStopPushesItsValueToTheNextDefaultStop() {
        const QString name(60, QLatin1Char('W'));
        const qreal end = 1 + width(name);
        QVERIFY(end > units(130));
        const auto at = positions({0, 130}, name + QStringLiteral("\tvalue"));
        QCOMPARE(at.size(), std::size_t{2});
        QCOMPARE(at[1], nextDefaultStop(end));
        QVERIFY(at[1] > end);
    }

    void tabsAfterTheLastStopUseEightAverageWidths() {
        const auto at = positions({0, 130}, QStringLiteral("a\tbb\tc"));
        QCOMPARE(at.size(), std::size_t{3});
        QCOMPARE(at[1], units(130));
        QCOMPARE(at[2], nextDefaultStop(units(130) + width(QStringLiteral("bb"))));
    }

    void noStopsMeansEveryEightAverageWidths() {
        const auto at = positions({}, QStringLiteral("a\tb\tc"));
        QCOMPARE(at[1], 8 * average);
        QCOMPARE(at[2], 16 * average);
    }

    void oneStopSetsTheInterval() {
        const auto at = positions({20}, QStringLiteral("a\tb\tc"));
        QCOMPARE(at[1], units(20));
        QCOMPARE(at[2], 2 * units(20));
    }

    void theStopsFollowTheFont() {
        const std::vector<qreal> small = positions({0, 130}, QStringLiteral("a\tb"));
        font.setPixelSize(24);
        const std::vector<qreal> large = positions({0, 130}, QStringLiteral("a\tb"));
        font.setPixelSize(12);
        QVERIFY(std::abs(large[1] - 2 * small[1]) <= 0.1 * large[1]);
    }

    void theSizeHintCoversTheExpandedRow() {
        QStandardItemModel model;
        model.appendRow(new QStandardItem(QStringLiteral("Packet Size\t4096")));
        TabStopDelegate delegate;
        delegate.setTabStops({0, 130});
        QStyleOptionViewItem option;
        option.font = font;
        const QSize hint = delegate.sizeHint(option, model.index(0, 0));
        const qreal end = units(130) + width(QStringLiteral("4096"));
        QVERIFY(hint.width() >= end);
        QVERIFY(hint.width() <= end + 3);
        QCOMPARE(hint.height(), int(std::ceil(metrics().height())));
    }
};

QTEST_MAIN(TabStopDelegateTest)
#include "tst_tabstopdelegate.moc"
