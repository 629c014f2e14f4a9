#include "app/AppServices.h"
#include "app/FontSetup.h"
#include "app/FrmMain.h"
#include "app/ProgramIdentity.h"
#include "db/OdbcComponentFactory.h"
#include "platform/QtMessageBoxService.h"
#include "platform/QtModalPresenter.h"
#include "platform/QtMousePointer.h"

#ifdef _WIN32
#include "platform/Win32ProgramStarter.h"
#include "platform/Win32Registry.h"
#include "platform/Win32Shell.h"
#else
#include "platform/DesktopShell.h"
#include "platform/PortableProgramStarter.h"
#include "platform/PortableRegistry.h"
#endif

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    brellow::app::ProgramIdentity::Apply();
    brellow::app::FontSetup::Install();

    brellow::db::OdbcComponentFactory components;
    brellow::platform::QtMessageBoxService messageBoxes;
    brellow::platform::QtMousePointer mousePointer;
    brellow::platform::QtModalPresenter modal;
#ifdef _WIN32
    brellow::platform::Win32Registry registry;
    brellow::platform::Win32ProgramStarter programs;
    brellow::platform::Win32Shell shell;
#else
    brellow::platform::PortableRegistry registry;
    brellow::platform::PortableProgramStarter programs;
    brellow::platform::DesktopShell shell;
#endif
    brellow::app::AppServices services{components, messageBoxes, mousePointer, modal,
                                       registry,   programs,     shell};

    // Constructing the main window loads it; it is then shown centred on the screen.
    brellow::app::FrmMain frmMain(services);
    frmMain.ShowCentred();
    brellow::app::ProgramIdentity::ApplyIconLater(application);
    return QApplication::exec();
}
