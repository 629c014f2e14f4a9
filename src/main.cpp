#include "app/FrmMain.h"
#include "common/AppServices.h"
#include "common/FontSetup.h"
#include "common/ProgramIdentity.h"
#include "db/OdbcComponentFactory.h"
#include "platform/QtMessageBoxService.h"
#include "platform/QtModalPresenter.h"
#include "platform/QtMousePointer.h"

#ifdef _WIN32
#include "platform/windows/Win32ProgramStarter.h"
#include "platform/windows/Win32Registry.h"
#include "platform/windows/Win32Shell.h"
#else
#include "platform/linux/DesktopShell.h"
#include "platform/linux/PortableProgramStarter.h"
#include "platform/linux/PortableRegistry.h"
#endif

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    brellow::common::ProgramIdentity::Apply();
    brellow::common::FontSetup::Install();

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
    brellow::common::AppServices services{components, messageBoxes, mousePointer, modal,
                                          registry,   programs,     shell};

    // Constructing the main window loads it; it is then shown centred on the screen.
    brellow::app::FrmMain frmMain(services);
    frmMain.ShowCentred();
    brellow::common::ProgramIdentity::ApplyIconLater(application);
    return QApplication::exec();
}
