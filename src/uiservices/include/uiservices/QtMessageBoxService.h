#pragma once

#include "uiservices/MessageBoxService.h"

namespace brellow::uiservices {

// Message boxes as real QMessageBox dialogs, owned by the active window.
class QtMessageBoxService final : public MessageBoxService {
public:
    void show(const QString& text, int style, const std::optional<QString>& title = {}) override;
};

} // namespace brellow::uiservices
