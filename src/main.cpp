#include "app/AppServices.h"
#include "app/FrmMain.h"
#include "db/OdbcComponentFactory.h"
#include "platform/DesktopShell.h"
#include "platform/PortableProgramStarter.h"
#include "platform/PortableRegistry.h"
#include "platform/QtMessageBoxService.h"
#include "platform/QtModalPresenter.h"
#include "platform/QtMousePointer.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);

    brellow::db::OdbcComponentFactory components;
    brellow::platform::QtMessageBoxService messageBoxes;
    brellow::platform::QtMousePointer mousePointer;
    brellow::platform::QtModalPresenter modal;
    brellow::platform::PortableRegistry registry;
    brellow::platform::PortableProgramStarter programs;
    brellow::platform::DesktopShell shell;
    brellow::app::AppServices services{components, messageBoxes, mousePointer, modal,
                                       registry,   programs,     shell};

    brellow::app::FrmMain frmMain(services);
    frmMain.show();
    return QApplication::exec();
}
