#include "uiservices/QtMousePointer.h"

#include <QApplication>
#include <QCursor>

namespace brellow::uiservices {

QtMousePointer::~QtMousePointer() {
    set(kDefault);
}

void QtMousePointer::set(int pointer) {
    if (current_ != kDefault) {
        QApplication::restoreOverrideCursor();
    }
    current_ = kDefault;
    switch (pointer) {
    case kArrow:
        QApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
        break;
    case kHourglass:
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        break;
    default:
        return;
    }
    current_ = pointer;
}

} // namespace brellow::uiservices
