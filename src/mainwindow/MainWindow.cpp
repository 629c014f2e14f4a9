#include "mainwindow/MainWindow.h"

#include "ElidingLabel.h"
#include "PasswordBox.h"
#include "about/AboutBox.h"
#include "about/ImageBox.h"
#include "buildinfo/CatalogueChoice.h"
#include "buildinfo/ServerInfoMeanings.h"
#include "commands/GetVersionInfo.h"
#include "commands/ViewConnectionProperties.h"
#include "os/Desktop.h"
#include "results/ResultsWindow.h"
#include "uiservices/ModalPresenter.h"
#include "windowkit/DesignUnits.h"
#include "windowkit/ProgramIdentity.h"

#include <QAction>
#include <QCheckBox>
#include <QDate>
#include <QDir>
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

// A newer build catalogue the user has made, in their data folder.
const QLatin1StringView kUserCatalogueFile("sqlserver-builds.txt");

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

MainWindow::MainWindow(AppServices& services, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      services_(services) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(ProgramIdentity::productName());

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

    load();
}

void MainWindow::createControls(QWidget* client) {
    loginCheck_ = named(new QCheckBox(QStringLiteral("Do Not Use Integrated Security"), client),
                        "chkDoNotUseIntegratedSecuirity");
    loginCheck_->setGeometry(twips(240, 840, 3015, 255));
    // Opaque, so that it hides the frame's top border behind it and reads as its caption.
    loginCheck_->setAutoFillBackground(true);
    connect(loginCheck_, &QCheckBox::toggled, this, &MainWindow::loginChoiceClicked);

    serverBox_ = makeTextBox(client, "txtServer", twips(120, 360, 2295, 375),
                             QStringLiteral("SQL Server Name/IP"));
    connect(serverBox_, &QLineEdit::textChanged, this, &MainWindow::serverTextChanged);

    getVersionButton_ =
        named(new QPushButton(QStringLiteral("Get Version Info"), client), "cmdGetVersion");
    getVersionButton_->setGeometry(twips(2640, 360, 1575, 375));
    getVersionButton_->setFont(designFont("MS Sans Serif", 8.25));
    // Neither default nor cancel button: Enter in a text box must not press it.
    getVersionButton_->setAutoDefault(false);
    getVersionButton_->setDefault(false);
    connect(getVersionButton_, &QPushButton::clicked, this, &MainWindow::getVersionInfo);

    loginFrame_ = named(new QGroupBox(client), "fraUserPassword");
    loginFrame_->setGeometry(twips(120, 840, 4095, 1455));
    loginFrame_->setFocusPolicy(Qt::NoFocus);

    userBox_ = makeTextBox(loginFrame_, "txtUser", twips(1320, 360, 2295, 375),
                           QStringLiteral("User Name"));

    passwordBox_ = named(new PasswordBox(loginFrame_), "txtPassword");
    passwordBox_->setGeometry(twips(1320, 840, 2295, 375));
    passwordBox_->setAccessibleName(QStringLiteral("Password"));

    userLabel_ = makeLabel(loginFrame_, "lblUser", QStringLiteral("User Name"),
                           twips(120, 360, 1095, 375), Qt::AlignRight);
    passwordLabel_ = makeLabel(loginFrame_, "lblPassword", QStringLiteral("Password"),
                               twips(240, 840, 975, 375), Qt::AlignRight);

    // A light separator under the menu bar along the top edge of the client area.
    topLine_ = named(new QFrame(client), "Line1");
    topLine_->setFrameShape(QFrame::NoFrame);
    topLine_->setAutoFillBackground(true);
    QPalette linePalette = topLine_->palette();
    linePalette.setColor(QPalette::Window, QColor(192, 192, 192));
    topLine_->setPalette(linePalette);
    topLine_->setGeometry(0, 0, 6360 / kTwipsPerPixel, 1);

    serverLabel_ = makeLabel(client, "Label1", QStringLiteral("SQL Server Name/IP"),
                             twips(120, 120, 2295, 255), Qt::AlignLeft);

    levelField_ = makeValueField(client, "lblSPLevel", twips(4440, 2040, 1815, 255),
                                 QStringLiteral("SQL Server SP Level"));
    levelHeading_ = makeHeading(client, "lblSP", QStringLiteral("SQL Server SP Level"),
                                twips(4440, 1800, 1815, 255));
    versionField_ = makeValueField(client, "lblVersion", twips(4440, 1320, 1815, 255),
                                   QStringLiteral("SQL Server Version"));
    versionHeading_ = makeHeading(client, "Label2", QStringLiteral("SQL Server Version"),
                                  twips(4440, 1080, 1815, 255));
    editionField_ = makeValueField(client, "lblEdition", twips(4440, 600, 1815, 255),
                                   QStringLiteral("SQL Server Edition"));
    editionHeading_ = makeHeading(client, "lblEditionLabel", QStringLiteral("SQL Server Edition"),
                                  twips(4440, 360, 1815, 255));

    // The check box lies in front of the frame, over its top border.
    loginCheck_->raise();
}

void MainWindow::createMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("menuBar"));
    // The access keys are the only keys: no item has a shortcut.
    programMenu_ = named(bar->addMenu(QStringLiteral("&Program")), "mnuProgram");
    exitItem_ = named(programMenu_->addAction(QStringLiteral("E&xit")), "mnuExit");
    connect(exitItem_, &QAction::triggered, this, &MainWindow::exitProgram);

    toolsMenu_ = named(bar->addMenu(QStringLiteral("&Tools")), "mnuTools");
    viewPropertiesItem_ =
        named(toolsMenu_->addAction(QStringLiteral("&View Connection Properties")),
              "mnuViewConnectionProperties");
    connect(viewPropertiesItem_, &QAction::triggered, this, &MainWindow::viewConnectionProperties);
    // Created unavailable and never made available: it runs no command.
    viewParametersItem_ =
        named(toolsMenu_->addAction(QStringLiteral("&View Configuration Parameters")),
              "mnuViewConfigurationParameters");
    viewParametersItem_->setEnabled(false);

    helpMenu_ = named(bar->addMenu(QStringLiteral("&Help")), "mnuHelp");
    aboutItem_ = named(helpMenu_->addAction(QStringLiteral("&About")), "mnuAbout");
    connect(aboutItem_, &QAction::triggered, this, &MainWindow::showAbout);
}

void MainWindow::setKeyboardOrder() {
    // Labels and the frame never take the focus; the keyboard visits these in turn.
    setTabOrder(serverBox_, getVersionButton_);
    setTabOrder(getVersionButton_, loginCheck_);
    setTabOrder(loginCheck_, userBox_);
    setTabOrder(userBox_, passwordBox_);
    serverBox_->setFocus();
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!iconRequested_) {
        iconRequested_ = true;
        // Qt hands the window manager every size of the icon, read from its PNGs, when the
        // window gets it. Nothing on the screen waits for that, so the window gets it once the
        // event loop runs, right after it has been mapped.
        QMetaObject::invokeMethod(
            this, [this] { setWindowIcon(ProgramIdentity::icon()); }, Qt::QueuedConnection);
    }
}

void MainWindow::load() {
    updateControlStates();
    clearServerInfo();
}

void MainWindow::updateControlStates() {
    // The length as typed: a text of blanks counts.
    getVersionButton_->setEnabled(!serverBox_->text().isEmpty());
    viewPropertiesItem_->setEnabled(getVersionButton_->isEnabled());
    userBox_->setEnabled(loginCheck_->isChecked());
    passwordBox_->setEnabled(userBox_->isEnabled());
    userLabel_->setEnabled(userBox_->isEnabled());
    passwordLabel_->setEnabled(userBox_->isEnabled());
}

void MainWindow::clearServerInfo() {
    editionField_->setText(QString());
    versionField_->setText(QString());
    levelField_->setText(QString());
    explainServerInfo();
}

void MainWindow::explainServerInfo() {
    const QString edition = editionField_->text();
    const QString version = versionField_->text();
    const QString level = levelField_->text();
    buildinfo::ServerInfoMeaning meaning;
    // Loading empties the fields too: the catalogue is read once there is an answer to read.
    if (!edition.isEmpty() || !version.isEmpty() || !level.isEmpty()) {
        meaning = buildinfo::ServerInfoMeanings(catalogue(), QDate::currentDate())
                      .explain(edition, version, level);
    }
    explain(editionField_, editionHeading_, meaning.edition);
    explain(versionField_, versionHeading_, meaning.version);
    explain(levelField_, levelHeading_, meaning.level);
}

const buildinfo::CatalogueChoice& MainWindow::catalogue() {
    if (!catalogue_) {
        const QString folder = QString::fromStdString(services_.desktop.userDataFolder());
        catalogue_ = buildinfo::CatalogueChoice::choose(
            buildinfo::BuildCatalogue::builtIn(),
            folder.isEmpty() ? QString() : QDir(folder).filePath(kUserCatalogueFile));
    }
    return *catalogue_;
}

void MainWindow::serverTextChanged() {
    updateControlStates();
}

void MainWindow::loginChoiceClicked() {
    updateControlStates();
}

commands::ServerCommand MainWindow::serverCommand() {
    return {services_.components, services_.messageBoxes, services_.mousePointer};
}

void MainWindow::getVersionInfo() {
    // Emptied before the connection is made: a failure leaves them empty.
    clearServerInfo();
    commands::ServerCommand procedure = serverCommand();
    commands::GetVersionInfo(procedure).run(
        request(), [this](const commands::ServerAnswers& answers) { showAnswers(answers); });
}

void MainWindow::viewConnectionProperties() {
    commands::ServerCommand procedure = serverCommand();
    commands::ViewConnectionProperties(procedure).run(request(), [this](const QStringList& rows) {
        // A results window of its own each time, loaded, filled and shown over this one;
        // the command returns, and closes the connection, once it has been closed.
        results::ResultsWindow resultsWindow(this);
        resultsWindow.list()->addItems(rows);
        services_.modal.showModal(resultsWindow, this);
    });
}

void MainWindow::exitProgram() {
    close();
}

void MainWindow::showAbout() {
    // A fresh About box each time: loading it fills its texts anew.
    about::AboutBox aboutBox(services_.desktop, services_.messageBoxes, this);
    aboutBox.iconImage()->setPicture(windowIcon());
    services_.modal.showModal(aboutBox, this);
}

commands::ConnectionRequest MainWindow::request() const {
    commands::ConnectionRequest request;
    request.serverName = serverBox_->text();
    request.integratedSecurity = !loginCheck_->isChecked();
    if (!request.integratedSecurity) {
        request.userName = userBox_->text();
        request.password = passwordBox_->text();
    }
    return request;
}

void MainWindow::showAnswers(const commands::ServerAnswers& answers) {
    const std::pair<QLabel*, const std::optional<QString>&> fields[] = {
        {editionField_, answers.edition},
        {versionField_, answers.version},
        {levelField_, answers.level}};
    for (const auto& [field, answer] : fields) {
        if (!answer) {
            break;
        }
        field->setText(*answer);
    }
    explainServerInfo();
}

void MainWindow::showCentred() {
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
