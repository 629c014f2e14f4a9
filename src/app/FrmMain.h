#pragma once

#include "app/AppServices.h"

#include <QMainWindow>

namespace brellow::app {

// The main window.
class FrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit FrmMain(AppServices& services, QWidget* parent = nullptr);

private:
    AppServices& services_;
};

} // namespace brellow::app
