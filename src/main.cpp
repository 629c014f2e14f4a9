#include "mainwindow/AppServices.h"
#include "mainwindow/MainWindow.h"
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
    mainWindow.showCentred();
    windowkit::ProgramIdentity::applyIconLater(application);
    return QApplication::exec();
}
