#include "about/FrmAbout.h"
#include "about/SystemInfoLauncher.h"
#include "support/FakeComponent.h"
#include "support/FakeMessageBoxService.h"
#include "support/FakeModalPresenter.h"
#include "support/FakeMousePointer.h"
#include "support/FakeProgramStarter.h"
#include "support/FakeRegistry.h"
#include "support/FakeShell.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

using brellow::about::FrmAbout;
using brellow::about::SystemInfoLauncher;
using brellow::platform::MessageBoxService;
using brellow::platform::Registry;
using namespace brellow::testsupport;

namespace {

struct Rig {
    FakeComponent components;
    FakeMessageBoxService messages;
    FakeMousePointer mousePointer;
    FakeModalPresenter modal;
    FakeRegistry registry;
    FakeProgramStarter programs;
    FakeShell shell;
    brellow::app::AppServices services{components, messages, mousePointer, modal,
                                       registry,   programs, shell};
};

} // namespace

class FrmAboutLaunchersTest : public QObject {
    Q_OBJECT

private slots:
    void systemInfoButtonStartsTheTool();
    void systemInfoButtonReportsAMissingToolAndTheBoxStaysOpen();
    void linkClickOpensTheCaptionWithThisWindowAsOwner();
    void aRefusedLinkShowsTheLastError();
    void getKeyValueConvertsTextBothWays();
};

void FrmAboutLaunchersTest::systemInfoButtonStartsTheTool() {
    Rig rig;
    rig.registry.Set(SystemInfoLauncher::kToolKey, "PATH", FakeRegistry::Text("/usr/bin/tool"));
    rig.programs.files = {"/usr/bin/tool"};
    FrmAbout frmAbout(rig.services);
    frmAbout.show();

    auto* cmdSysInfo = frmAbout.findChild<QPushButton*>("cmdSysInfo");
    QVERIFY(cmdSysInfo != nullptr);
    QTest::mouseClick(cmdSysInfo, Qt::LeftButton);

    QCOMPARE(rig.programs.started.size(), std::size_t{1});
    QCOMPARE(rig.programs.started.front().path, std::string("/usr/bin/tool"));
    QVERIFY(rig.messages.shown.isEmpty());
    QVERIFY(frmAbout.isVisible());
}

void FrmAboutLaunchersTest::systemInfoButtonReportsAMissingToolAndTheBoxStaysOpen() {
    Rig rig;
    FrmAbout frmAbout(rig.services);
    frmAbout.show();
    bool visibleWhileShown = false;
    rig.messages.onShow = [&](const FakeMessageBoxService::Shown&) {
        visibleWhileShown = frmAbout.isVisible();
    };

    auto* cmdSysInfo = frmAbout.findChild<QPushButton*>("cmdSysInfo");
    QVERIFY(cmdSysInfo != nullptr);
    QTest::mouseClick(cmdSysInfo, Qt::LeftButton);

    QCOMPARE(rig.messages.shown.size(), 1);
    QCOMPARE(rig.messages.shown.front().text,
             QStringLiteral("System Information Is Unavailable At This Time"));
    QCOMPARE(rig.messages.shown.front().style, MessageBoxService::kOkOnly);
    QVERIFY(!rig.messages.shown.front().title.has_value());
    QVERIFY(visibleWhileShown);
    QVERIFY(frmAbout.isVisible());
    QVERIFY(rig.programs.startAttempts.empty());
}

void FrmAboutLaunchersTest::linkClickOpensTheCaptionWithThisWindowAsOwner() {
    Rig rig;
    FrmAbout frmAbout(rig.services);
    frmAbout.show();
    auto* lblURL = frmAbout.findChild<QLabel*>("lblURL");
    QVERIFY(lblURL != nullptr);
    lblURL->setText("Www.Example.ORG/Path");

    QTest::mouseClick(lblURL, Qt::LeftButton);

    QCOMPARE(rig.shell.requests.size(), std::size_t{1});
    const FakeShell::Request& request = rig.shell.requests.front();
    QCOMPARE(request.file, std::string("http://www.example.org/path"));
    QCOMPARE(request.owner, static_cast<std::uintptr_t>(frmAbout.winId()));
    QCOMPARE(request.verb, std::string("open"));
    QCOMPARE(request.showCommand, 1);
    QVERIFY(rig.messages.shown.isEmpty());
    QVERIFY(frmAbout.isVisible());
}

void FrmAboutLaunchersTest::aRefusedLinkShowsTheLastError() {
    Rig rig;
    rig.shell.result = 31;
    rig.shell.lastError = 1155;
    FrmAbout frmAbout(rig.services);
    frmAbout.show();
    auto* lblURL = frmAbout.findChild<QLabel*>("lblURL");
    QVERIFY(lblURL != nullptr);
    // The caption the box was built with is the address handed on.
    const std::string expected = "http://" + lblURL->text().toLower().toStdString();

    QTest::mouseClick(lblURL, Qt::LeftButton);

    QCOMPARE(rig.shell.requests.size(), std::size_t{1});
    QCOMPARE(rig.shell.requests.front().file, expected);
    QCOMPARE(rig.messages.shown.size(), 1);
    QCOMPARE(rig.messages.shown.front().text,
             QStringLiteral("API Error #1155 was returned from GetLastError()"));
    QCOMPARE(rig.messages.shown.front().style, MessageBoxService::kExclamation);
}

void FrmAboutLaunchersTest::getKeyValueConvertsTextBothWays() {
    Rig rig;
    rig.registry.Set("SOFTWARE\\Brellow Tést", "Wert", FakeRegistry::Text("Grüße\\Ordner"));
    rig.registry.Set("SOFTWARE\\Brellow Tést", "N",
                     FakeRegistry::Value{Registry::kTypeDword, {0x05, 0, 0, 0}});
    FrmAbout frmAbout(rig.services);

    QString value = "left over";
    QVERIFY(frmAbout.GetKeyValue(Registry::kLocalMachine, "SOFTWARE\\Brellow Tést", "Wert", value));
    QCOMPARE(value, QStringLiteral("Grüße\\Ordner"));
    value.clear();
    QVERIFY(frmAbout.GetKeyValue(Registry::kLocalMachine, "SOFTWARE\\Brellow Tést", "N", value));
    QCOMPARE(value, QStringLiteral("&h005"));
    QVERIFY(!frmAbout.GetKeyValue(Registry::kLocalMachine, "SOFTWARE\\Nothing", "N", value));
    QVERIFY(value.isEmpty());

    frmAbout.LaunchApp("ftp://x", 0);
    QCOMPARE(rig.shell.requests.size(), std::size_t{1});
    QCOMPARE(rig.shell.requests.front().showCommand, 0);
}

QTEST_MAIN(FrmAboutLaunchersTest)
#include "tst_frmaboutlaunchers.moc"
