#include "PasswordBox.h"

namespace brellow::mainwindow {

PasswordBox::PasswordBox(QWidget* parent) : QLineEdit(parent) {
    setEchoMode(QLineEdit::Password);
    // Whatever the style's habit (a bullet, a circle), the character is "*".
    setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText |
                        Qt::ImhNoAutoUppercase);
    setAttribute(Qt::WA_InputMethodEnabled, false);
}

QVariant PasswordBox::inputMethodQuery(Qt::InputMethodQuery query) const {
    // Input methods ask this before they attach to the focused box; a line edit would
    // say yes whenever it is editable.
    if (query == Qt::ImEnabled) {
        return false;
    }
    return QLineEdit::inputMethodQuery(query);
}

} // namespace brellow::mainwindow
