#include "mainwindow/AppServices.h"
#include "mainwindow/FrmMain.h"
#include "odbc/OdbcComponentFactory.h"
#include "os/Desktop.h"
#include "uiservices/QtMessageBoxService.h"
#include "uiservices/QtModalPresenter.h"
#include "uiservices/QtMousePointer.h"
#include "windowkit/FontSetup.h"
#include "windowkit/ProgramIdentity.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    using namespace brellow;
    QApplication application(argc, argv);
    windowkit::ProgramIdentity::Apply();
    windowkit::FontSetup::Install();

    odbc::OdbcComponentFactory components;
    uiservices::QtMessageBoxService messageBoxes;
    uiservices::QtMousePointer mousePointer;
    uiservices::QtModalPresenter modal;
    const std::unique_ptr<os::Desktop> desktop = os::Desktop::Create();
    mainwindow::AppServices services{components, messageBoxes, mousePointer, modal, *desktop};

    // Constructing the main window loads it; it is then shown centred on the screen.
    mainwindow::FrmMain frmMain(services);
    frmMain.ShowCentred();
    windowkit::ProgramIdentity::ApplyIconLater(application);
    return QApplication::exec();
}
