#pragma once

#include "buildinfo/BuildCatalogue.h"
#include "commands/ConnectionRequest.h"
#include "commands/ServerAnswers.h"
#include "mainwindow/AppServices.h"

#include <QMainWindow>
#include <QString>
#include <optional>

class QAction;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QWidget;

namespace brellow::mainwindow {

// The main window: the connection inputs, the three answers of the server and the menus.
// Constructing it loads it (Form_Load runs); it is not shown until the caller shows it. A
// server command is given the connection inputs once, as a request, and gives the answers
// back once.
class FrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit FrmMain(AppServices& services, QWidget* parent = nullptr);

    // The connection inputs as they are right now, each read once, used verbatim by the
    // server commands: the user name and password only for a SQL Server login.
    commands::ConnectionRequest Request() const;

    // Fills the three answer fields, edition first, then version, then service-pack level,
    // stopping at the first answer the server did not give. The texts come from the server,
    // so they are shown as plain text, never interpreted as markup. Each field's tooltip and
    // accessible description say what its answer means, read once against the build
    // catalogue; a text too wide for its field is drawn cut short, and the tooltip shows it
    // whole.
    void ShowAnswers(const commands::ServerAnswers& answers);

    // Empties the answer fields, edition first, then version, then service-pack level.
    void ClearServerInfo();

    // Shows the window centred on the screen it is on.
    void ShowCentred();

public slots:
    void cmdGetVersion_Click();
    void mnuViewConnectionProperties_Click();
    void mnuExit_Click();
    void mnuAbout_Click();

protected:
    // The first show also gives the window its icon, just after.
    void showEvent(QShowEvent* event) override;
    // Loading: the enabling rules first, then the empty answer fields.
    void Form_Load();
    // The enabling rules, always all six and in this order.
    void UpdateControlStates();

private slots:
    void txtServer_Change();
    void chkDoNotUseIntegratedSecuirity_Click();

private:
    void createControls(QWidget* client);
    void createMenus();
    void setKeyboardOrder();
    // Renews the three fields' tooltips and descriptions from the answers they now hold.
    void explainServerInfo();
    // Read when an answer first needs explaining, not at start-up.
    const buildinfo::BuildCatalogue& catalogue();

    AppServices& services_;
    bool iconRequested_ = false;
    std::optional<buildinfo::BuildCatalogue> catalogue_;

    QCheckBox* chkDoNotUseIntegratedSecuirity_ = nullptr;
    QLineEdit* txtServer_ = nullptr;
    QPushButton* cmdGetVersion_ = nullptr;
    QGroupBox* fraUserPassword_ = nullptr;
    QLineEdit* txtUser_ = nullptr;
    QLineEdit* txtPassword_ = nullptr;
    QLabel* lblUser_ = nullptr;
    QLabel* lblPassword_ = nullptr;
    QFrame* Line1_ = nullptr;
    QLabel* Label1_ = nullptr;
    QLabel* lblSPLevel_ = nullptr;
    QLabel* lblSP_ = nullptr;
    QLabel* lblVersion_ = nullptr;
    QLabel* Label2_ = nullptr;
    QLabel* lblEdition_ = nullptr;
    QLabel* lblEditionLabel_ = nullptr;

    QMenu* mnuProgram_ = nullptr;
    QAction* mnuExit_ = nullptr;
    QMenu* mnuTools_ = nullptr;
    QAction* mnuViewConnectionProperties_ = nullptr;
    QAction* mnuViewConfigurationParameters_ = nullptr;
    QMenu* mnuHelp_ = nullptr;
    QAction* mnuAbout_ = nullptr;
};

} // namespace brellow::mainwindow
