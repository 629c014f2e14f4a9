#pragma once

#include "uiservices/ModalPresenter.h"

namespace brellow::uiservices {

// Runs the window's own event loop until it closes.
class QtModalPresenter final : public ModalPresenter {
public:
    void showModal(QDialog& window, QWidget* owner) override;
};

} // namespace brellow::uiservices
