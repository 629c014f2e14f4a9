#include "results/TabStopDelegate.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <cmath>

namespace brellow::results {
namespace {

const QString& alphabet() {
    static const QString letters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return letters;
}

} // namespace

TabStopDelegate::TabStopDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

void TabStopDelegate::setTabStops(std::vector<int> dialogUnits) {
    tabStops_ = std::move(dialogUnits);
}

qreal TabStopDelegate::averageCharWidth(const QFontMetricsF& metrics) {
    return metrics.horizontalAdvance(alphabet()) / 52.0;
}

std::vector<qreal> TabStopDelegate::piecePositions(const QString& row,
                                                   const QFontMetricsF& metrics) const {
    const qreal average = averageCharWidth(metrics);
    const auto toPixels = [average](int units) {
        return std::round(units * average / 4.0);
    };

    // A single value sets the interval; several set the stops themselves.
    std::vector<qreal> stops;
    qreal interval = kDefaultStopWidthInChars * average;
    if (tabStops_.size() == 1) {
        if (toPixels(tabStops_.front()) > 0) {
            interval = toPixels(tabStops_.front());
        }
    } else {
        for (const int units : tabStops_) {
            stops.push_back(toPixels(units));
        }
    }
    if (interval < 1.0) {
        interval = 1.0;
    }

    const QStringList pieces = row.split(QLatin1Char('\t'));
    std::vector<qreal> positions;
    positions.reserve(static_cast<std::size_t>(pieces.size()));
    qreal x = kTextMargin;
    std::size_t nextStop = 0;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        positions.push_back(x);
        if (i + 1 == pieces.size()) {
            break;
        }
        // A tab moves to the first stop strictly beyond the end of the text before it.
        const qreal end = x + metrics.horizontalAdvance(pieces[i]);
        while (nextStop < stops.size() && stops[nextStop] <= end) {
            ++nextStop;
        }
        if (nextStop < stops.size()) {
            x = stops[nextStop];
        } else {
            x = (std::floor(end / interval) + 1.0) * interval;
        }
    }
    return positions;
}

qreal TabStopDelegate::rowWidth(const QString& row, const QFontMetricsF& metrics) const {
    const std::vector<qreal> positions = piecePositions(row, metrics);
    const qsizetype lastTab = row.lastIndexOf(QLatin1Char('\t'));
    return positions.back() + metrics.horizontalAdvance(row.mid(lastTab + 1));
}

void TabStopDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    const QString row = opt.text;
    // The style draws the background, the selection and the focus frame; the text is ours.
    opt.text.clear();
    const QWidget* widget = opt.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

    const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (opt.state & QStyle::State_Active) ? QPalette::Normal
                                                                            : QPalette::Inactive;
    const QPalette::ColorRole role =
        (opt.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text;

    const QFontMetricsF metrics(opt.font);
    const std::vector<qreal> positions = piecePositions(row, metrics);
    const QStringList pieces = row.split(QLatin1Char('\t'));
    const qreal baseline =
        opt.rect.top() + (opt.rect.height() - metrics.height()) / 2.0 + metrics.ascent();

    painter->save();
    painter->setClipRect(opt.rect, Qt::IntersectClip);
    painter->setFont(opt.font);
    painter->setPen(opt.palette.color(group, role));
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        const qreal x = opt.rect.left() + positions[static_cast<std::size_t>(i)];
        painter->drawText(QPointF(std::round(x), baseline), pieces[i]);
    }
    painter->restore();
}

QSize TabStopDelegate::sizeHint(const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    const QFontMetricsF metrics(opt.font);
    const int width = static_cast<int>(std::ceil(rowWidth(opt.text, metrics))) + kTextMargin;
    const int height = static_cast<int>(std::ceil(metrics.height()));
    return {width, height};
}

} // namespace brellow::results
