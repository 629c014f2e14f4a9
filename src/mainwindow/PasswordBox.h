#pragma once

#include <QLineEdit>

namespace brellow::mainwindow {

// A single-line box for a password: every character shows as "*", and input methods are
// kept out, so that no composition window or predictive keyboard ever sees the text.
class PasswordBox : public QLineEdit {
    Q_OBJECT
public:
    explicit PasswordBox(QWidget* parent = nullptr);

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
};

} // namespace brellow::mainwindow
