#include "uiservices/QtModalPresenter.h"

#include <QDialog>

namespace brellow::uiservices {

void QtModalPresenter::showModal(QDialog& window, QWidget* owner) {
    if (owner != nullptr && window.parentWidget() != owner) {
        window.setParent(owner, window.windowFlags());
    }
    window.setWindowModality(Qt::ApplicationModal);
    window.exec();
}

} // namespace brellow::uiservices
