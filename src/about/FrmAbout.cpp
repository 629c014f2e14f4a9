#include "about/FrmAbout.h"

#include "about/ClickableLabel.h"
#include "about/ImageBox.h"
#include "os/Desktop.h"
#include "uiservices/MessageBoxService.h"
#include "windowkit/DesignUnits.h"
#include "windowkit/ProgramIdentity.h"

#include <QFont>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPalette>
#include <QPushButton>

namespace brellow::about {
namespace {

using windowkit::designFont;
using windowkit::kTwipsPerPixel;
using windowkit::twips;

void setTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

QLabel* makeLabel(QWidget* parent, const char* name, const QRect& geometry) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(geometry);
    return label;
}

QFrame* makeLine(QWidget* parent, const QRect& geometry, const QColor& colour) {
    auto* line = new QFrame(parent);
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameShape(QFrame::NoFrame);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, colour);
    line->setPalette(palette);
    line->setGeometry(geometry);
    return line;
}

} // namespace

FrmAbout::FrmAbout(os::Desktop& desktop, uiservices::MessageBoxService& messageBoxes,
                   QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      desktop_(desktop), messageBoxes_(messageBoxes), webLink_(desktop, messageBoxes) {
    setObjectName(QStringLiteral("frmAbout"));
    setFont(designFont("MS Sans Serif", 8.25));
    setFixedSize(5730 / kTwipsPerPixel, 3555 / kTwipsPerPixel);
    setSizeGripEnabled(false);
    createControls();
    Form_Load();
}

void FrmAbout::createControls() {
    cmdOK_ = new QPushButton(QStringLiteral("OK"), this);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdOK_->setGeometry(twips(4245, 2625, 1260, 345));
    cmdOK_->setDefault(true);
    connect(cmdOK_, &QPushButton::clicked, this, &FrmAbout::cmdOK_Click);

    cmdSysInfo_ = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo_->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo_->setGeometry(twips(4260, 3075, 1245, 345));
    connect(cmdSysInfo_, &QPushButton::clicked, this, &FrmAbout::cmdSysInfo_Click);

    lblDescription_ = makeLabel(this, "lblDescription", twips(1080, 1200, 3885, 930));
    lblDescription_->setFont(designFont("Arial", 8.25));
    lblDescription_->setWordWrap(true);
    setTextColour(lblDescription_, Qt::black);

    lblDisclaimer_ = makeLabel(this, "lblDisclaimer", twips(255, 2625, 3870, 825));
    lblDisclaimer_->setWordWrap(true);
    setTextColour(lblDisclaimer_, Qt::black);

    lblTitle_ = makeLabel(this, "lblTitle", twips(1050, 240, 4605, 360));
    lblTitle_->setFont(designFont("Arial", 11.25, true));
    setTextColour(lblTitle_, Qt::black);

    lblVersion_ = makeLabel(this, "lblVersion", twips(1050, 600, 3885, 225));
    lblVersion_->setFont(designFont("Arial", 9.75));
    setTextColour(lblVersion_, palette().color(QPalette::ButtonText));

    lblURL_ = new ClickableLabel(this);
    lblURL_->setObjectName(QStringLiteral("lblURL"));
    lblURL_->setTextFormat(Qt::PlainText);
    lblURL_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblURL_->setGeometry(twips(1080, 840, 4605, 345));
    lblURL_->setFont(designFont("Arial", 9.75, false, true));
    setTextColour(lblURL_, QColor(0, 0, 255));
    lblURL_->setCursor(Qt::PointingHandCursor);
    lblURL_->setText(windowkit::ProgramIdentity::WebAddress());
    connect(lblURL_, &ClickableLabel::clicked, this, &FrmAbout::lblURL_Click);

    imgIcon_ = new ImageBox(this);
    imgIcon_->setObjectName(QStringLiteral("imgIcon"));
    imgIcon_->setGeometry(twips(360, 240, 240, 240));

    // Grey first, then white one pixel lower and further right: an etched groove.
    Line1_[1] = makeLine(this,
                         QRect(90 / kTwipsPerPixel, 2445 / kTwipsPerPixel,
                               (5654 - 90 + kTwipsPerPixel - 1) / kTwipsPerPixel, 1),
                         QColor(128, 128, 128));
    Line1_[0] = makeLine(this,
                         QRect(105 / kTwipsPerPixel, 2460 / kTwipsPerPixel,
                               (5654 - 105 + kTwipsPerPixel - 1) / kTwipsPerPixel, 2),
                         Qt::white);

    // Only the two buttons take the focus, OK first.
    setTabOrder(cmdOK_, cmdSysInfo_);
    cmdOK_->setFocus();
}

void FrmAbout::Form_Load() {
    using windowkit::ProgramIdentity;
    setWindowTitle(QStringLiteral("About ") + ProgramIdentity::ProductName());
    lblVersion_->setText(QStringLiteral("Version ") + ProgramIdentity::Version());
    lblTitle_->setText(ProgramIdentity::ProductName());
    lblDescription_->setText(ProgramIdentity::Comments());
}

void FrmAbout::MyIcon(const QIcon& TheIcon) {
    imgIcon_->SetPicture(TheIcon);
}

void FrmAbout::cmdOK_Click() {
    accept();
}

void FrmAbout::cmdSysInfo_Click() {
    StartSysInfo();
}

void FrmAbout::lblURL_Click() {
    OpenURL(lblURL_->text());
}

void FrmAbout::StartSysInfo() {
    bool started = false;
    // Whatever goes wrong on the way, the user gets the same message and no details.
    try {
        started = desktop_.StartSystemInformation();
    } catch (...) {
        started = false;
    }
    if (!started) {
        messageBoxes_.Show(QString::fromLatin1(kSysInfoUnavailable),
                           uiservices::MessageBoxService::kOkOnly);
    }
}

void FrmAbout::OpenURL(const QString& address) {
    webLink_.Open(static_cast<std::uintptr_t>(winId()), address);
}

void FrmAbout::keyPressEvent(QKeyEvent* event) {
    // Esc presses OK wherever the focus is, so it closes the box the way OK does.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cmdOK_->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace brellow::about
