#include "mainwindow/AppServices.h"
#include "mainwindow/FrmMain.h"
#include "odbc/OdbcComponentFactory.h"
#include "uiservices/QtMessageBoxService.h"
#include "uiservices/QtModalPresenter.h"
#include "uiservices/QtMousePointer.h"
#include "windowkit/FontSetup.h"
#include "windowkit/ProgramIdentity.h"

#ifdef _WIN32
#include "os/windows/Win32ProgramStarter.h"
#include "os/windows/Win32Registry.h"
#include "os/windows/Win32Shell.h"
#else
#include "os/linux/DesktopShell.h"
#include "os/linux/PortableProgramStarter.h"
#include "os/linux/PortableRegistry.h"
#endif

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    brellow::windowkit::ProgramIdentity::Apply();
    brellow::windowkit::FontSetup::Install();

    brellow::odbc::OdbcComponentFactory components;
    brellow::uiservices::QtMessageBoxService messageBoxes;
    brellow::uiservices::QtMousePointer mousePointer;
    brellow::uiservices::QtModalPresenter modal;
#ifdef _WIN32
    brellow::os::Win32Registry registry;
    brellow::os::Win32ProgramStarter programs;
    brellow::os::Win32Shell shell;
#else
    brellow::os::PortableRegistry registry;
    brellow::os::PortableProgramStarter programs;
    brellow::os::DesktopShell shell;
#endif
    brellow::mainwindow::AppServices services{components, messageBoxes, mousePointer, modal,
                                              registry,   programs,     shell};

    // Constructing the main window loads it; it is then shown centred on the screen.
    brellow::mainwindow::FrmMain frmMain(services);
    frmMain.ShowCentred();
    brellow::windowkit::ProgramIdentity::ApplyIconLater(application);
    return QApplication::exec();
}
