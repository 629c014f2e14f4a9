#include "ElidingLabel.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyle>

namespace brellow::mainwindow {

ElidingLabel::ElidingLabel(QWidget* parent) : QLabel(parent) {}

void ElidingLabel::paintEvent(QPaintEvent* event) {
    // Where QLabel lays out its text.
    const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    const QFontMetrics metrics = fontMetrics();
    if (metrics.horizontalAdvance(text()) <= area.width()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    drawFrame(&painter);
    style()->drawItemText(
        &painter, area, QStyle::visualAlignment(layoutDirection(), alignment()), palette(),
        isEnabled(), metrics.elidedText(text(), Qt::ElideRight, area.width()), foregroundRole());
}

} // namespace brellow::mainwindow
