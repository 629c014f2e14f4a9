#include "mainwindow/AppServices.h"
#include "mainwindow/MainWindow.h"
#include "odbc/OdbcComponentFactory.h"
#include "odbc/OdbcSystem.h"
#include "os/Desktop.h"
#include "trustui/WindowTrustQuestions.h"
#include "uiservices/QtMessageBoxService.h"
#include "uiservices/QtModalPresenter.h"
#include "uiservices/QtMousePointer.h"
#include "windowkit/FontSetup.h"
#include "windowkit/ProgramIdentity.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    using namespace brellow;
    QApplication application(argc, argv);
    windowkit::ProgramIdentity::apply();
    windowkit::FontSetup::install();

    odbc::OdbcComponentFactory components;
    uiservices::QtMessageBoxService messageBoxes;
    uiservices::QtMousePointer mousePointer;
    uiservices::QtModalPresenter modal;
    const std::unique_ptr<os::Desktop> desktop = os::Desktop::create();
    mainwindow::AppServices services{components, messageBoxes, mousePointer, modal, *desktop};

    // Constructing the main window loads it; it is then shown centred on the screen.
    mainwindow::MainWindow mainWindow(services);
    // Before every login: the server's certificate checked, or the user asked over the window.
    // What the user asks to remember goes to one file in their configuration folder.
    trustui::WindowTrustQuestions questions(modal, &mainWindow);
    const std::string configFolder = desktop->userConfigFolder();
    components.passLoginsThrough(odbc::OdbcSystem::makeTrustGate(
        questions, configFolder.empty() ? std::string() : configFolder + "/trusted-servers.txt"));
    mainWindow.showCentred();
    windowkit::ProgramIdentity::applyIconLater(application);
    return QApplication::exec();
}
