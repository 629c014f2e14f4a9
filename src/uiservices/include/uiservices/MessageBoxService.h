#pragma once

#include <QString>
#include <optional>

namespace brellow::uiservices {

// Modal message boxes with the classic style flags.
class MessageBoxService {
public:
    static constexpr int kOkOnly = 0;       // OK button, no icon
    static constexpr int kCritical = 16;    // OK button, critical (stop) icon
    static constexpr int kExclamation = 48; // OK button, exclamation icon
    static constexpr int kInformation = 64; // OK button, information icon

    virtual ~MessageBoxService() = default;
    // Shows the box and returns once the user has closed it. Without a title the box
    // carries the application's title.
    virtual void show(const QString& text, int style, const std::optional<QString>& title = {}) = 0;
};

} // namespace brellow::uiservices
