#pragma once

#include <QStyledItemDelegate>
#include <vector>

class QFontMetricsF;

namespace brellow::results {

// Draws list rows with their tab characters expanded at fixed tab stops, the way a classic
// list box does: the stops are given in dialog units, a quarter of the font's average
// character width, measured from the list's left edge. Text beyond the row's rectangle is
// cut off.
class TabStopDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    // Pixels between the list's left edge and the first character of a row.
    static constexpr int kTextMargin = 1;
    // Stops every this many average character widths where none are set.
    static constexpr int kDefaultStopWidthInChars = 8;

    explicit TabStopDelegate(QObject* parent = nullptr);

    // Empty: a stop every 8 average character widths. One value: a stop every that many
    // dialog units. More: a stop at each value, then every 8 average character widths.
    void setTabStops(std::vector<int> dialogUnits);
    const std::vector<int>& tabStops() const { return tabStops_; }

    // The width of "A".."Z" and "a".."z" divided by 52.
    static qreal averageCharWidth(const QFontMetricsF& metrics);

    // The left edge of each tab-separated piece of the row, in pixels from the list's left
    // edge. The first piece starts at kTextMargin.
    std::vector<qreal> piecePositions(const QString& row, const QFontMetricsF& metrics) const;
    // The right edge of the row's last piece, in pixels from the list's left edge.
    qreal rowWidth(const QString& row, const QFontMetricsF& metrics) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    std::vector<int> tabStops_;
};

} // namespace brellow::results
