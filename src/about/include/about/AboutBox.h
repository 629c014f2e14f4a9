#pragma once

#include "about/WebLinkLauncher.h"

#include <QDialog>
#include <QIcon>
#include <array>

class QFrame;
class QKeyEvent;
class QLabel;
class QPushButton;

namespace brellow::os {
class Desktop;
} // namespace brellow::os

namespace brellow::uiservices {
class MessageBoxService;
} // namespace brellow::uiservices

namespace brellow::about {

class ClickableLabel;
class ImageBox;

// The About box: the program's icon, name, version and description, the maker's web
// address and the OK and System Info buttons. Constructing it loads it (Form_Load fills
// the texts from the program's identity); it stays hidden until it is shown modally.
class AboutBox : public QDialog {
    Q_OBJECT
public:
    // System Info and the link ask the desktop, and tell the user of a failure in a message
    // box.
    AboutBox(os::Desktop& desktop, uiservices::MessageBoxService& messageBoxes,
             QWidget* owner = nullptr);

    // The image control; its picture may be set from outside before the box is shown.
    ImageBox* iconImage() const { return iconImage_; }
    // The window's own way to set the icon.
    void setIcon(const QIcon& icon);

    static constexpr const char* kSysInfoUnavailable =
        "System Information Is Unavailable At This Time";

    // Starts the system information tool, or says that it is unavailable; returns once the
    // tool has been started or the message closed. Nothing gets out of it.
    void startSystemInformation();

public slots:
    void sysInfoClicked();
    void linkClicked();

protected:
    void load();
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void okClicked();

private:
    void createControls();
    void openUrl(const QString& address);

    os::Desktop& desktop_;
    uiservices::MessageBoxService& messageBoxes_;
    WebLinkLauncher webLink_;

    QPushButton* okButton_ = nullptr;
    QPushButton* sysInfoButton_ = nullptr;
    QLabel* descriptionLabel_ = nullptr;
    QLabel* disclaimerLabel_ = nullptr;
    QLabel* titleLabel_ = nullptr;
    QLabel* versionLabel_ = nullptr;
    ClickableLabel* linkLabel_ = nullptr;
    ImageBox* iconImage_ = nullptr;
    // The etched separator: element 1 is the grey line, element 0 the white one below it.
    std::array<QFrame*, 2> separatorLines_{};
};

} // namespace brellow::about
