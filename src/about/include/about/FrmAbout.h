#pragma once

#include "about/SystemInfoLauncher.h"
#include "about/WebLinkLauncher.h"

#include <QDialog>
#include <QIcon>
#include <array>

class QFrame;
class QKeyEvent;
class QLabel;
class QPushButton;

namespace brellow::about {

class ClickableLabel;
class ImageBox;

// The About box: the program's icon, name, version and description, the maker's web
// address and the OK and System Info buttons. Constructing it loads it (Form_Load fills
// the texts from the program's identity); it stays hidden until it is shown modally.
class FrmAbout : public QDialog {
    Q_OBJECT
public:
    // The launchers use the system's registry, programs and shell, and tell the user of a
    // failure in a message box.
    FrmAbout(os::Registry& registry, os::ProgramStarter& programs, os::Shell& shell,
             uiservices::MessageBoxService& messageBoxes, QWidget* owner = nullptr);

    // The image control; its picture may be set from outside before the box is shown.
    ImageBox* imgIcon() const { return imgIcon_; }
    // The window's own way to set the icon.
    void MyIcon(const QIcon& TheIcon);

    // Starts the system information tool, or says that it is unavailable.
    void StartSysInfo();
    // Reads a registry value as text; false when the key or value could not be read.
    bool GetKeyValue(os::Registry::Key KeyRoot, const QString& KeyName, const QString& SubKeyRef,
                     QString& KeyVal);
    // Asks the shell to open a document, owned by this window; reports a refusal.
    void LaunchApp(const QString& strDocName, std::int32_t lngShowMode);

public slots:
    void cmdSysInfo_Click();
    void lblURL_Click();

protected:
    void Form_Load();
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void cmdOK_Click();

private:
    void createControls();
    void OpenURL(const QString& address);

    SystemInfoLauncher sysInfo_;
    WebLinkLauncher webLink_;

    QPushButton* cmdOK_ = nullptr;
    QPushButton* cmdSysInfo_ = nullptr;
    QLabel* lblDescription_ = nullptr;
    QLabel* lblDisclaimer_ = nullptr;
    QLabel* lblTitle_ = nullptr;
    QLabel* lblVersion_ = nullptr;
    ClickableLabel* lblURL_ = nullptr;
    ImageBox* imgIcon_ = nullptr;
    // The etched separator: element 1 is the grey line, element 0 the white one below it.
    std::array<QFrame*, 2> Line1_{};
};

} // namespace brellow::about
