#include "results/FrmResults.h"

#include "results/TabStopDelegate.h"

#include <QFont>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>

namespace brellow::results {

FrmResults::FrmResults(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("frmResults"));
    setWindowTitle(QStringLiteral("Results"));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSizeF(8.25);
    setFont(font);
    setFixedSize(kClientWidth, kClientHeight);
    setSizeGripEnabled(false);

    lstResults_ = new QListWidget(this);
    lstResults_->setObjectName(QStringLiteral("lstResults"));
    lstResults_->setGeometry(8, 16, 417, 186);
    lstResults_->setSortingEnabled(false);
    lstResults_->setSelectionMode(QAbstractItemView::SingleSelection);
    lstResults_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstResults_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lstResults_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    tabStops_ = new TabStopDelegate(lstResults_);
    lstResults_->setItemDelegate(tabStops_);
    // A hidden scroll bar still scrolls (wheel, keyboard, scrollTo); rows wider than the
    // list are cut at its edge instead, so the sideways range is held at nothing.
    QScrollBar* sideways = lstResults_->horizontalScrollBar();
    connect(sideways, &QScrollBar::rangeChanged, sideways, [sideways](int, int maximum) {
        if (maximum != 0) {
            sideways->setRange(0, 0);
        }
    });

    cmdClose_ = new QPushButton(QStringLiteral("Close"), this);
    cmdClose_->setObjectName(QStringLiteral("cmdClose"));
    cmdClose_->setGeometry(336, 208, 89, 25);
    cmdClose_->setAutoDefault(false);
    cmdClose_->setDefault(false);
    connect(cmdClose_, &QPushButton::clicked, this, &FrmResults::cmdClose_Click);

    setTabOrder(lstResults_, cmdClose_);
    lstResults_->setFocus();

    Form_Load();
}

void FrmResults::Form_Load() {
    SetTabStops({0, 130});
}

void FrmResults::SetTabStops(std::vector<int> dialogUnits) {
    tabStops_->SetTabStops(std::move(dialogUnits));
    lstResults_->doItemsLayout();
    lstResults_->viewport()->update();
}

void FrmResults::keyPressEvent(QKeyEvent* event) {
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

void FrmResults::cmdClose_Click() {
    close();
}

} // namespace brellow::results
