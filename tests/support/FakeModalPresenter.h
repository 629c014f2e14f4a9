#pragma once

#include "uiservices/ModalPresenter.h"

#include <QDialog>
#include <QPointer>
#include <functional>

namespace brellow::testsupport {

// Shows the window without blocking: the window is made visible, the test's callback
// runs while it is "up" (to inspect it or to drive it), and the window is closed
// afterwards unless the callback already closed it.
class FakeModalPresenter final : public uiservices::ModalPresenter {
public:
    void showModal(QDialog& window, QWidget* owner) override {
        ++calls;
        lastOwner = owner;
        QPointer<QDialog> guard(&window);
        window.show();
        if (whileShown) {
            whileShown(window);
        }
        if (guard && guard->isVisible()) {
            guard->close();
        }
    }

    int calls = 0;
    QWidget* lastOwner = nullptr;
    std::function<void(QDialog&)> whileShown;
};

} // namespace brellow::testsupport
