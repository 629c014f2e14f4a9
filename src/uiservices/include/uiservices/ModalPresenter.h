#pragma once

class QDialog;
class QWidget;

namespace brellow::uiservices {

// Shows a window modally over its owner and returns once it has been closed.
class ModalPresenter {
public:
    virtual ~ModalPresenter() = default;
    virtual void showModal(QDialog& window, QWidget* owner) = 0;
};

} // namespace brellow::uiservices
