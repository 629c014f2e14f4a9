#include "app/FrmMain.h"

namespace brellow::app {

FrmMain::FrmMain(AppServices& services, QWidget* parent)
    : QMainWindow(parent), services_(services) {
    setWindowTitle(QStringLiteral("Brellow"));
}

} // namespace brellow::app
