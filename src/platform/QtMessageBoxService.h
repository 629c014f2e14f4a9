#pragma once

#include "platform/MessageBoxService.h"

namespace brellow::platform {

// Message boxes as real QMessageBox dialogs, owned by the active window.
class QtMessageBoxService final : public MessageBoxService {
public:
    void Show(const QString& text, int style, const std::optional<QString>& title = {}) override;
};

} // namespace brellow::platform
