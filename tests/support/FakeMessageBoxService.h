#pragma once

#include "uiservices/MessageBoxService.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace brellow::testsupport {

// Records message boxes instead of showing them; returns at once.
class FakeMessageBoxService final : public uiservices::MessageBoxService {
public:
    struct Shown {
        QString text;
        int style = 0;
        std::optional<QString> title;
    };

    void show(const QString& text, int style, const std::optional<QString>& title = {}) override {
        shown.append(Shown{text, style, title});
        if (onShow) {
            onShow(shown.back());
        }
    }

    QList<Shown> shown;
    // Runs while the box would be up, for tests that look at the program's state then.
    std::function<void(const Shown&)> onShow;
};

} // namespace brellow::testsupport
