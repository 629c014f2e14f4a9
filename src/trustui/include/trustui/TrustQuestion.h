#pragma once

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QPushButton;

namespace brellow::trustui {

// The question put before a login that no certificate vouches for, or the warning when what a
// server shows has changed: what is wrong, the certificate's particulars, and two answers, of
// which the safe one (send nothing) is the default. Answered once it has been closed.
class TrustQuestion : public QDialog {
    Q_OBJECT
public:
    struct Content {
        QString headline;
        QStringList sentences;
        // The certificate's particulars, one "Name: value" a line; empty for none.
        QStringList particulars;
        QString goOnCaption;
        bool offerToRemember = false;
    };

    explicit TrustQuestion(const Content& content, QWidget* owner = nullptr);

    bool wentOn() const { return wentOn_; }
    bool remember() const;

private:
    bool wentOn_ = false;
    QCheckBox* rememberBox_ = nullptr;
};

} // namespace brellow::trustui
