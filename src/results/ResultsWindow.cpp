#include "results/ResultsWindow.h"

#include "results/TabStopDelegate.h"

#include <QFont>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>

namespace brellow::results {

ResultsWindow::ResultsWindow(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("frmResults"));
    setWindowTitle(QStringLiteral("Results"));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSizeF(8.25);
    setFont(font);
    setFixedSize(kClientWidth, kClientHeight);
    setSizeGripEnabled(false);

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("lstResults"));
    list_->setGeometry(8, 16, 417, 186);
    list_->setSortingEnabled(false);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    tabStops_ = new TabStopDelegate(list_);
    list_->setItemDelegate(tabStops_);
    // A hidden scroll bar still scrolls (wheel, keyboard, scrollTo); rows wider than the
    // list are cut at its edge instead, so the sideways range is held at nothing.
    QScrollBar* sideways = list_->horizontalScrollBar();
    connect(sideways, &QScrollBar::rangeChanged, sideways, [sideways](int, int maximum) {
        if (maximum != 0) {
            sideways->setRange(0, 0);
        }
    });

    closeButton_ = new QPushButton(QStringLiteral("Close"), this);
    closeButton_->setObjectName(QStringLiteral("cmdClose"));
    closeButton_->setGeometry(336, 208, 89, 25);
    closeButton_->setAutoDefault(false);
    closeButton_->setDefault(false);
    connect(closeButton_, &QPushButton::clicked, this, &ResultsWindow::closeClicked);

    setTabOrder(list_, closeButton_);
    list_->setFocus();

    load();
}

void ResultsWindow::load() {
    setTabStops({0, 130});
}

void ResultsWindow::setTabStops(std::vector<int> dialogUnits) {
    tabStops_->setTabStops(std::move(dialogUnits));
    list_->doItemsLayout();
    list_->viewport()->update();
}

void ResultsWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void ResultsWindow::closeClicked() {
    close();
}

} // namespace brellow::results
