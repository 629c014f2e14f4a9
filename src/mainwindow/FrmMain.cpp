#include "mainwindow/FrmMain.h"

#include "ElidingLabel.h"
#include "PasswordBox.h"
#include "about/FrmAbout.h"
#include "about/ImageBox.h"
#include "buildinfo/ServerInfoMeanings.h"
#include "commands/GetVersionInfo.h"
#include "commands/ViewConnectionProperties.h"
#include "results/FrmResults.h"
#include "uiservices/ModalPresenter.h"
#include "windowkit/DesignUnits.h"
#include "windowkit/ProgramIdentity.h"

#include <QAction>
#include <QCheckBox>
#include <QDate>
#include <QFont>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace brellow::mainwindow {
namespace {

using windowkit::designFont;
using windowkit::kTwipsPerPixel;
using windowkit::ProgramIdentity;
using windowkit::twips;

constexpr int kClientWidth = 6345 / kTwipsPerPixel;  // 423
constexpr int kClientHeight = 2430 / kTwipsPerPixel; // 162

template <typename Widget> Widget* named(Widget* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel* setUpLabel(QLabel* label, const char* name, const QString& text, const QRect& geometry,
                   Qt::Alignment horizontal) {
    named(label, name);
    // No caption carries an access key, and answers from the server may hold anything:
    // show every text exactly as it is.
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(horizontal | Qt::AlignTop);
    label->setWordWrap(true);
    label->setText(text);
    label->setGeometry(geometry);
    return label;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry,
                  Qt::Alignment horizontal) {
    return setUpLabel(new QLabel(parent), name, text, geometry, horizontal);
}

QLabel* makeValueField(QWidget* parent, const char* name, const QRect& geometry,
                       const QString& heading) {
    // Editions such as "Enterprise Edition: Core-based Licensing (64-bit)" are wider than
    // the field.
    QLabel* field =
        setUpLabel(new ElidingLabel(parent), name, QString(), geometry, Qt::AlignHCenter);
    field->setWordWrap(false);
    field->setAutoFillBackground(true);
    QPalette palette = field->palette();
    palette.setColor(QPalette::Window, QColor(224, 224, 224));
    field->setPalette(palette);
    // Screen readers speak the live value as the name and the heading as its description.
    field->setAccessibleDescription(heading);
    return field;
}

QLabel* makeHeading(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
    QLabel* heading = makeLabel(parent, name, text, geometry, Qt::AlignLeft);
    heading->setWordWrap(false);
    heading->setFont(designFont("Tahoma", 8.25, true));
    return heading;
}

// The tooltip shows the whole answer, which the field may draw cut short, and what it means;
// a screen reader is told the field's heading first, then the same meaning.
void explain(QLabel* field, const QLabel* heading, const QStringList& meaning) {
    if (field->text().isEmpty()) {
        field->setToolTip(QString());
        field->setAccessibleDescription(heading->text());
        return;
    }
    // Rich text, so that the tooltip wraps its sentences; the answer itself may hold anything.
    QString tip = QStringLiteral("<p style=\"white-space:pre-wrap\"><b>%1</b></p>")
                      .arg(field->text().toHtmlEscaped());
    for (const QString& sentence : meaning) {
        tip += QStringLiteral("<p>%1</p>").arg(sentence.toHtmlEscaped());
    }
    field->setToolTip(tip);
    field->setAccessibleDescription(
        (QStringList{heading->text() + QLatin1Char('.')} + meaning).join(QLatin1Char(' ')));
}

QLineEdit* makeTextBox(QWidget* parent, const char* name, const QRect& geometry,
                       const QString& accessibleName) {
    auto* box = named(new QLineEdit(parent), name);
    box->setGeometry(geometry);
    box->setAccessibleName(accessibleName);
    return box;
}

} // namespace

FrmMain::FrmMain(AppServices& services, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      services_(services) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(ProgramIdentity::ProductName());

    // The client area has the window font; the menu bar keeps the application's.
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(kClientWidth, kClientHeight);
    client->setFont(designFont("Tahoma", 9.75));
    setCentralWidget(client);

    createControls(client);
    createMenus();
    setKeyboardOrder();

    // Fixed single border: the window is exactly the client area plus the menu bar.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    Form_Load();
}

void FrmMain::createControls(QWidget* client) {
    chkDoNotUseIntegratedSecuirity_ =
        named(new QCheckBox(QStringLiteral("Do Not Use Integrated Security"), client),
              "chkDoNotUseIntegratedSecuirity");
    chkDoNotUseIntegratedSecuirity_->setGeometry(twips(240, 840, 3015, 255));
    // Opaque, so that it hides the frame's top border behind it and reads as its caption.
    chkDoNotUseIntegratedSecuirity_->setAutoFillBackground(true);
    connect(chkDoNotUseIntegratedSecuirity_, &QCheckBox::toggled, this,
            &FrmMain::chkDoNotUseIntegratedSecuirity_Click);

    txtServer_ = makeTextBox(client, "txtServer", twips(120, 360, 2295, 375),
                             QStringLiteral("SQL Server Name/IP"));
    connect(txtServer_, &QLineEdit::textChanged, this, &FrmMain::txtServer_Change);

    cmdGetVersion_ =
        named(new QPushButton(QStringLiteral("Get Version Info"), client), "cmdGetVersion");
    cmdGetVersion_->setGeometry(twips(2640, 360, 1575, 375));
    cmdGetVersion_->setFont(designFont("MS Sans Serif", 8.25));
    // Neither default nor cancel button: Enter in a text box must not press it.
    cmdGetVersion_->setAutoDefault(false);
    cmdGetVersion_->setDefault(false);
    connect(cmdGetVersion_, &QPushButton::clicked, this, &FrmMain::cmdGetVersion_Click);

    fraUserPassword_ = named(new QGroupBox(client), "fraUserPassword");
    fraUserPassword_->setGeometry(twips(120, 840, 4095, 1455));
    fraUserPassword_->setFocusPolicy(Qt::NoFocus);

    txtUser_ = makeTextBox(fraUserPassword_, "txtUser", twips(1320, 360, 2295, 375),
                           QStringLiteral("User Name"));

    txtPassword_ = named(new PasswordBox(fraUserPassword_), "txtPassword");
    txtPassword_->setGeometry(twips(1320, 840, 2295, 375));
    txtPassword_->setAccessibleName(QStringLiteral("Password"));

    lblUser_ = makeLabel(fraUserPassword_, "lblUser", QStringLiteral("User Name"),
                         twips(120, 360, 1095, 375), Qt::AlignRight);
    lblPassword_ = makeLabel(fraUserPassword_, "lblPassword", QStringLiteral("Password"),
                             twips(240, 840, 975, 375), Qt::AlignRight);

    // A light separator under the menu bar along the top edge of the client area.
    Line1_ = named(new QFrame(client), "Line1");
    Line1_->setFrameShape(QFrame::NoFrame);
    Line1_->setAutoFillBackground(true);
    QPalette linePalette = Line1_->palette();
    linePalette.setColor(QPalette::Window, QColor(192, 192, 192));
    Line1_->setPalette(linePalette);
    Line1_->setGeometry(0, 0, 6360 / kTwipsPerPixel, 1);

    Label1_ = makeLabel(client, "Label1", QStringLiteral("SQL Server Name/IP"),
                        twips(120, 120, 2295, 255), Qt::AlignLeft);

    lblSPLevel_ = makeValueField(client, "lblSPLevel", twips(4440, 2040, 1815, 255),
                                 QStringLiteral("SQL Server SP Level"));
    lblSP_ = makeHeading(client, "lblSP", QStringLiteral("SQL Server SP Level"),
                         twips(4440, 1800, 1815, 255));
    lblVersion_ = makeValueField(client, "lblVersion", twips(4440, 1320, 1815, 255),
                                 QStringLiteral("SQL Server Version"));
    Label2_ = makeHeading(client, "Label2", QStringLiteral("SQL Server Version"),
                          twips(4440, 1080, 1815, 255));
    lblEdition_ = makeValueField(client, "lblEdition", twips(4440, 600, 1815, 255),
                                 QStringLiteral("SQL Server Edition"));
    lblEditionLabel_ = makeHeading(client, "lblEditionLabel", QStringLiteral("SQL Server Edition"),
                                   twips(4440, 360, 1815, 255));

    // The check box lies in front of the frame, over its top border.
    chkDoNotUseIntegratedSecuirity_->raise();
}

void FrmMain::createMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("menuBar"));
    // The access keys are the only keys: no item has a shortcut.
    mnuProgram_ = named(bar->addMenu(QStringLiteral("&Program")), "mnuProgram");
    mnuExit_ = named(mnuProgram_->addAction(QStringLiteral("E&xit")), "mnuExit");
    connect(mnuExit_, &QAction::triggered, this, &FrmMain::mnuExit_Click);

    mnuTools_ = named(bar->addMenu(QStringLiteral("&Tools")), "mnuTools");
    mnuViewConnectionProperties_ =
        named(mnuTools_->addAction(QStringLiteral("&View Connection Properties")),
              "mnuViewConnectionProperties");
    connect(mnuViewConnectionProperties_, &QAction::triggered, this,
            &FrmMain::mnuViewConnectionProperties_Click);
    // Created unavailable and never made available: it runs no command.
    mnuViewConfigurationParameters_ =
        named(mnuTools_->addAction(QStringLiteral("&View Configuration Parameters")),
              "mnuViewConfigurationParameters");
    mnuViewConfigurationParameters_->setEnabled(false);

    mnuHelp_ = named(bar->addMenu(QStringLiteral("&Help")), "mnuHelp");
    mnuAbout_ = named(mnuHelp_->addAction(QStringLiteral("&About")), "mnuAbout");
    connect(mnuAbout_, &QAction::triggered, this, &FrmMain::mnuAbout_Click);
}

void FrmMain::setKeyboardOrder() {
    // Labels and the frame never take the focus; the keyboard visits these in turn.
    setTabOrder(txtServer_, cmdGetVersion_);
    setTabOrder(cmdGetVersion_, chkDoNotUseIntegratedSecuirity_);
    setTabOrder(chkDoNotUseIntegratedSecuirity_, txtUser_);
    setTabOrder(txtUser_, txtPassword_);
    txtServer_->setFocus();
}

void FrmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!iconRequested_) {
        iconRequested_ = true;
        // Qt hands the window manager every size of the icon, read from its PNGs, when the
        // window gets it. Nothing on the screen waits for that, so the window gets it once the
        // event loop runs, right after it has been mapped.
        QMetaObject::invokeMethod(
            this, [this] { setWindowIcon(ProgramIdentity::Icon()); }, Qt::QueuedConnection);
    }
}

void FrmMain::Form_Load() {
    UpdateControlStates();
    ClearServerInfo();
}

void FrmMain::UpdateControlStates() {
    // The length as typed: a text of blanks counts.
    cmdGetVersion_->setEnabled(!txtServer_->text().isEmpty());
    mnuViewConnectionProperties_->setEnabled(cmdGetVersion_->isEnabled());
    txtUser_->setEnabled(chkDoNotUseIntegratedSecuirity_->isChecked());
    txtPassword_->setEnabled(txtUser_->isEnabled());
    lblUser_->setEnabled(txtUser_->isEnabled());
    lblPassword_->setEnabled(txtUser_->isEnabled());
}

void FrmMain::ClearServerInfo() {
    lblEdition_->setText(QString());
    lblVersion_->setText(QString());
    lblSPLevel_->setText(QString());
    explainServerInfo();
}

void FrmMain::explainServerInfo() {
    const QString edition = lblEdition_->text();
    const QString version = lblVersion_->text();
    const QString level = lblSPLevel_->text();
    QStringList editionMeaning;
    QStringList versionMeaning;
    QStringList levelMeaning;
    // Loading empties the fields too: the catalogue is read once there is an answer to read.
    if (!edition.isEmpty() || !version.isEmpty() || !level.isEmpty()) {
        // The other two answers are read against the version, given in the same answer.
        const buildinfo::ServerInfoMeanings meanings(catalogue(), QDate::currentDate());
        editionMeaning = meanings.Edition(edition, version);
        versionMeaning = meanings.Version(version);
        levelMeaning = meanings.SPLevel(level, version);
    }
    explain(lblEdition_, lblEditionLabel_, editionMeaning);
    explain(lblVersion_, Label2_, versionMeaning);
    explain(lblSPLevel_, lblSP_, levelMeaning);
}

const buildinfo::BuildCatalogue& FrmMain::catalogue() {
    if (!catalogue_) {
        catalogue_ = buildinfo::BuildCatalogue::BuiltIn();
    }
    return *catalogue_;
}

void FrmMain::txtServer_Change() {
    UpdateControlStates();
}

void FrmMain::chkDoNotUseIntegratedSecuirity_Click() {
    UpdateControlStates();
}

void FrmMain::cmdGetVersion_Click() {
    // Emptied before the connection is made: a failure leaves them empty.
    ClearServerInfo();
    commands::GetVersionInfo(services_.components, services_.messageBoxes, services_.mousePointer)
        .Run(Request(), [this](const commands::ServerAnswers& answers) { ShowAnswers(answers); });
}

void FrmMain::mnuViewConnectionProperties_Click() {
    commands::ViewConnectionProperties(services_.components, services_.messageBoxes,
                                       services_.mousePointer)
        .Run(Request(), [this](const QStringList& rows) {
            // A results window of its own each time, loaded, filled and shown over this one;
            // the command returns, and closes the connection, once it has been closed.
            results::FrmResults frmResults(this);
            frmResults.lstResults()->addItems(rows);
            services_.modal.ShowModal(frmResults, this);
        });
}

void FrmMain::mnuExit_Click() {
    close();
}

void FrmMain::mnuAbout_Click() {
    // A fresh About box each time: loading it fills its texts anew.
    about::FrmAbout frmAbout(services_.desktop, services_.messageBoxes, this);
    frmAbout.imgIcon()->SetPicture(windowIcon());
    services_.modal.ShowModal(frmAbout, this);
}

commands::ConnectionRequest FrmMain::Request() const {
    commands::ConnectionRequest request;
    request.serverName = txtServer_->text();
    request.integratedSecurity = !chkDoNotUseIntegratedSecuirity_->isChecked();
    if (!request.integratedSecurity) {
        request.userName = txtUser_->text();
        request.password = txtPassword_->text();
    }
    return request;
}

void FrmMain::ShowAnswers(const commands::ServerAnswers& answers) {
    const std::pair<QLabel*, const std::optional<QString>&> fields[] = {
        {lblEdition_, answers.edition},
        {lblVersion_, answers.version},
        {lblSPLevel_, answers.level}};
    for (const auto& [field, answer] : fields) {
        if (!answer) {
            break;
        }
        field->setText(*answer);
    }
    explainServerInfo();
}

void FrmMain::ShowCentred() {
    QScreen* target = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    if (target != nullptr) {
        adjustSize();
        move(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(),
                                 target->availableGeometry())
                 .topLeft());
    }
    show();
}

} // namespace brellow::mainwindow
