#pragma once

#include <QLabel>

namespace brellow::mainwindow {

// A one-line label that draws a text too wide for it cut at its end with "…", where a plain
// label would clip it, at both ends when centred. Only the drawing changes: text() stays
// whole for screen readers and for the tooltip, and a text that fits is drawn as any label
// draws it.
class ElidingLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidingLabel(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace brellow::mainwindow
