#include "about/AboutBox.h"

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

AboutBox::AboutBox(os::Desktop& desktop, uiservices::MessageBoxService& messageBoxes,
                   QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      desktop_(desktop), messageBoxes_(messageBoxes), webLink_(desktop, messageBoxes) {
    setObjectName(QStringLiteral("frmAbout"));
    setFont(designFont("MS Sans Serif", 8.25));
    setFixedSize(5730 / kTwipsPerPixel, 3555 / kTwipsPerPixel);
    setSizeGripEnabled(false);
    createControls();
    load();
}

void AboutBox::createControls() {
    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setObjectName(QStringLiteral("cmdOK"));
    okButton_->setGeometry(twips(4245, 2625, 1260, 345));
    okButton_->setDefault(true);
    connect(okButton_, &QPushButton::clicked, this, &AboutBox::okClicked);

    sysInfoButton_ = new QPushButton(QStringLiteral("&System Info..."), this);
    sysInfoButton_->setObjectName(QStringLiteral("cmdSysInfo"));
    sysInfoButton_->setGeometry(twips(4260, 3075, 1245, 345));
    connect(sysInfoButton_, &QPushButton::clicked, this, &AboutBox::sysInfoClicked);

    descriptionLabel_ = makeLabel(this, "lblDescription", twips(1080, 1200, 3885, 930));
    descriptionLabel_->setFont(designFont("Arial", 8.25));
    descriptionLabel_->setWordWrap(true);
    setTextColour(descriptionLabel_, Qt::black);

    disclaimerLabel_ = makeLabel(this, "lblDisclaimer", twips(255, 2625, 3870, 825));
    disclaimerLabel_->setWordWrap(true);
    setTextColour(disclaimerLabel_, Qt::black);

    titleLabel_ = makeLabel(this, "lblTitle", twips(1050, 240, 4605, 360));
    titleLabel_->setFont(designFont("Arial", 11.25, true));
    setTextColour(titleLabel_, Qt::black);

    versionLabel_ = makeLabel(this, "lblVersion", twips(1050, 600, 3885, 225));
    versionLabel_->setFont(designFont("Arial", 9.75));
    setTextColour(versionLabel_, palette().color(QPalette::ButtonText));

    linkLabel_ = new ClickableLabel(this);
    linkLabel_->setObjectName(QStringLiteral("lblURL"));
    linkLabel_->setTextFormat(Qt::PlainText);
    linkLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    linkLabel_->setGeometry(twips(1080, 840, 4605, 345));
    linkLabel_->setFont(designFont("Arial", 9.75, false, true));
    setTextColour(linkLabel_, QColor(0, 0, 255));
    linkLabel_->setCursor(Qt::PointingHandCursor);
    linkLabel_->setText(windowkit::ProgramIdentity::webAddress());
    connect(linkLabel_, &ClickableLabel::clicked, this, &AboutBox::linkClicked);

    iconImage_ = new ImageBox(this);
    iconImage_->setObjectName(QStringLiteral("imgIcon"));
    iconImage_->setGeometry(twips(360, 240, 240, 240));

    // Grey first, then white one pixel lower and further right: an etched groove.
    separatorLines_[1] = makeLine(this,
                                  QRect(90 / kTwipsPerPixel, 2445 / kTwipsPerPixel,
                                        (5654 - 90 + kTwipsPerPixel - 1) / kTwipsPerPixel, 1),
                                  QColor(128, 128, 128));
    separatorLines_[0] = makeLine(this,
                                  QRect(105 / kTwipsPerPixel, 2460 / kTwipsPerPixel,
                                        (5654 - 105 + kTwipsPerPixel - 1) / kTwipsPerPixel, 2),
                                  Qt::white);

    // Only the two buttons take the focus, OK first.
    setTabOrder(okButton_, sysInfoButton_);
    okButton_->setFocus();
}

void AboutBox::load() {
    using windowkit::ProgramIdentity;
    setWindowTitle(QStringLiteral("About ") + ProgramIdentity::productName());
    versionLabel_->setText(QStringLiteral("Version ") + ProgramIdentity::version());
    titleLabel_->setText(ProgramIdentity::productName());
    descriptionLabel_->setText(ProgramIdentity::comments());
}

void AboutBox::setIcon(const QIcon& icon) {
    iconImage_->setPicture(icon);
}

void AboutBox::okClicked() {
    accept();
}

void AboutBox::sysInfoClicked() {
    startSystemInformation();
}

void AboutBox::linkClicked() {
    openUrl(linkLabel_->text());
}

void AboutBox::startSystemInformation() {
    bool started = false;
    // Whatever goes wrong on the way, the user gets the same message and no details.
    try {
        started = desktop_.startSystemInformation();
    } catch (...) {
        started = false;
    }
    if (!started) {
        messageBoxes_.show(QString::fromLatin1(kSysInfoUnavailable),
                           uiservices::MessageBoxService::kOkOnly);
    }
}

void AboutBox::openUrl(const QString& address) {
    webLink_.open(static_cast<std::uintptr_t>(winId()), address);
}

void AboutBox::keyPressEvent(QKeyEvent* event) {
    // Esc presses OK wherever the focus is, so it closes the box the way OK does.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        okButton_->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace brellow::about
