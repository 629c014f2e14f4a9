#pragma once

#include "platform/ModalPresenter.h"

namespace brellow::platform {

// Runs the window's own event loop until it closes.
class QtModalPresenter final : public ModalPresenter {
public:
    void ShowModal(QDialog& window, QWidget* owner) override;
};

} // namespace brellow::platform
