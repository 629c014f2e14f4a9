#pragma once

#include "buildinfo/CatalogueChoice.h"
#include "commands/ConnectionRequest.h"
#include "commands/ServerAnswers.h"
#include "commands/ServerCommand.h"
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
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(AppServices& services, QWidget* parent = nullptr);

    // The connection inputs as they are right now, each read once, used verbatim by the
    // server commands: the user name and password only for a SQL Server login.
    commands::ConnectionRequest request() const;

    // Fills the three answer fields, edition first, then version, then service-pack level,
    // stopping at the first answer the server did not give. The texts come from the server,
    // so they are shown as plain text, never interpreted as markup. Each field's tooltip and
    // accessible description say what its answer means, read once against the build
    // catalogue; a text too wide for its field is drawn cut short, and the tooltip shows it
    // whole.
    void showAnswers(const commands::ServerAnswers& answers);

    // Empties the answer fields, edition first, then version, then service-pack level.
    void clearServerInfo();

    // Shows the window centred on the screen it is on.
    void showCentred();

public slots:
    void getVersionInfo();
    void viewConnectionProperties();
    void exitProgram();
    void showAbout();

protected:
    // The first show also gives the window its icon, just after.
    void showEvent(QShowEvent* event) override;
    // Loading: the enabling rules first, then the empty answer fields.
    void load();
    // The enabling rules, always all six and in this order.
    void updateControlStates();

private slots:
    void serverTextChanged();
    void loginChoiceClicked();

private:
    void createControls(QWidget* client);
    void createMenus();
    void setKeyboardOrder();
    // Renews the three fields' tooltips and descriptions from the answers they now hold.
    void explainServerInfo();
    // The procedure both server commands run, with the services this window was given.
    commands::ServerCommand serverCommand();
    // Read when an answer first needs explaining, not at start-up.
    const buildinfo::CatalogueChoice& catalogue();

    AppServices& services_;
    bool iconRequested_ = false;
    std::optional<buildinfo::CatalogueChoice> catalogue_;

    QCheckBox* loginCheck_ = nullptr;
    QLineEdit* serverBox_ = nullptr;
    QPushButton* getVersionButton_ = nullptr;
    QGroupBox* loginFrame_ = nullptr;
    QLineEdit* userBox_ = nullptr;
    QLineEdit* passwordBox_ = nullptr;
    QLabel* userLabel_ = nullptr;
    QLabel* passwordLabel_ = nullptr;
    QFrame* topLine_ = nullptr;
    QLabel* serverLabel_ = nullptr;
    QLabel* levelField_ = nullptr;
    QLabel* levelHeading_ = nullptr;
    QLabel* versionField_ = nullptr;
    QLabel* versionHeading_ = nullptr;
    QLabel* editionField_ = nullptr;
    QLabel* editionHeading_ = nullptr;

    QMenu* programMenu_ = nullptr;
    QAction* exitItem_ = nullptr;
    QMenu* toolsMenu_ = nullptr;
    QAction* viewPropertiesItem_ = nullptr;
    QAction* viewParametersItem_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QAction* aboutItem_ = nullptr;
};

} // namespace brellow::mainwindow
