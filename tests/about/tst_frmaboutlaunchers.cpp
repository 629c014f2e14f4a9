#include "about/FrmAbout.h"
#include "about/SystemInfoLauncher.h"
#include "os/linux/DesktopShell.h"
#include "os/linux/PortableProgramStarter.h"
#include "os/linux/PortableRegistry.h"
#include "support/FakeAppServices.h"
#include "support/WindowControls.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

using brellow::about::FrmAbout;
using brellow::about::SystemInfoLauncher;
using brellow::os::Registry;
using brellow::uiservices::MessageBoxService;
using namespace brellow::testsupport;

namespace {

// Writes an executable shell script.
bool writeScript(const QString& path, const QByteArray& body) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    file.write("#!/bin/sh\n" + body);
    file.close();
    return file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class FrmAboutLaunchersTest : public QObject {
    Q_OBJECT

private slots:
    void systemInfoButtonStartsTheTool();
    void systemInfoButtonReportsAMissingToolAndTheBoxStaysOpen();
    void linkClickOpensTheCaptionWithThisWindowAsOwner();
    void aRefusedLinkShowsTheLastError();
    void getKeyValueConvertsTextBothWays();
    void desktopLaunchersEndToEnd();
    void theLinkNeverHoldsTheBoxAndFailuresStillReachTheUser_data();
    void theLinkNeverHoldsTheBoxAndFailuresStillReachTheUser();
};

void FrmAboutLaunchersTest::systemInfoButtonStartsTheTool() {
    FakeAppServices rig;
    rig.registry.Set(SystemInfoLauncher::kToolKey, "PATH", FakeRegistry::Text("/usr/bin/tool"));
    rig.programs.files = {"/usr/bin/tool"};
    FrmAbout frmAbout(rig.registry, rig.programs, rig.shell, rig.messageBoxes);
    frmAbout.show();

    auto* cmdSysInfo = control<QPushButton>(frmAbout, "cmdSysInfo");
    QTest::mouseClick(cmdSysInfo, Qt::LeftButton);

    QCOMPARE(rig.programs.started.size(), std::size_t{1});
    QCOMPARE(rig.programs.started.front().path, std::string("/usr/bin/tool"));
    QVERIFY(rig.messageBoxes.shown.isEmpty());
    QVERIFY(frmAbout.isVisible());
}

void FrmAboutLaunchersTest::systemInfoButtonReportsAMissingToolAndTheBoxStaysOpen() {
    FakeAppServices rig;
    FrmAbout frmAbout(rig.registry, rig.programs, rig.shell, rig.messageBoxes);
    frmAbout.show();
    bool visibleWhileShown = false;
    rig.messageBoxes.onShow = [&](const FakeMessageBoxService::Shown&) {
        visibleWhileShown = frmAbout.isVisible();
    };

    auto* cmdSysInfo = control<QPushButton>(frmAbout, "cmdSysInfo");
    QTest::mouseClick(cmdSysInfo, Qt::LeftButton);

    QCOMPARE(rig.messageBoxes.shown.size(), 1);
    QCOMPARE(rig.messageBoxes.shown.front().text,
             QStringLiteral("System Information Is Unavailable At This Time"));
    QCOMPARE(rig.messageBoxes.shown.front().style, MessageBoxService::kOkOnly);
    QVERIFY(!rig.messageBoxes.shown.front().title.has_value());
    QVERIFY(visibleWhileShown);
    QVERIFY(frmAbout.isVisible());
    QVERIFY(rig.programs.startAttempts.empty());
}

void FrmAboutLaunchersTest::linkClickOpensTheCaptionWithThisWindowAsOwner() {
    FakeAppServices rig;
    FrmAbout frmAbout(rig.registry, rig.programs, rig.shell, rig.messageBoxes);
    frmAbout.show();
    auto* lblURL = control<QLabel>(frmAbout, "lblURL");
    lblURL->setText("Www.Example.ORG/Path");

    QTest::mouseClick(lblURL, Qt::LeftButton);

    QCOMPARE(rig.shell.requests.size(), std::size_t{1});
    const FakeShell::Request& request = rig.shell.requests.front();
    QCOMPARE(request.file, std::string("http://www.example.org/path"));
    QCOMPARE(request.owner, static_cast<std::uintptr_t>(frmAbout.winId()));
    QCOMPARE(request.verb, std::string("open"));
    QCOMPARE(request.showCommand, 1);
    QVERIFY(rig.messageBoxes.shown.isEmpty());
    QVERIFY(frmAbout.isVisible());
}

void FrmAboutLaunchersTest::aRefusedLinkShowsTheLastError() {
    FakeAppServices rig;
    rig.shell.result = 31;
    rig.shell.lastError = 1155;
    FrmAbout frmAbout(rig.registry, rig.programs, rig.shell, rig.messageBoxes);
    frmAbout.show();
    auto* lblURL = control<QLabel>(frmAbout, "lblURL");
    // The caption the box was built with is the address handed on.
    const std::string expected = "http://" + lblURL->text().toLower().toStdString();

    QTest::mouseClick(lblURL, Qt::LeftButton);

    QCOMPARE(rig.shell.requests.size(), std::size_t{1});
    QCOMPARE(rig.shell.requests.front().file, expected);
    QCOMPARE(rig.messageBoxes.shown.size(), 1);
    QCOMPARE(rig.messageBoxes.shown.front().text,
             QStringLiteral("API Error #1155 was returned from GetLastError()"));
    QCOMPARE(rig.messageBoxes.shown.front().style, MessageBoxService::kExclamation);
}

void FrmAboutLaunchersTest::getKeyValueConvertsTextBothWays() {
    FakeAppServices rig;
    rig.registry.Set("SOFTWARE\\Brellow Tést", "Wert", FakeRegistry::Text("Grüße\\Ordner"));
    rig.registry.Set("SOFTWARE\\Brellow Tést", "N",
                     FakeRegistry::Value{Registry::kTypeDword, {0x05, 0, 0, 0}});
    FrmAbout frmAbout(rig.registry, rig.programs, rig.shell, rig.messageBoxes);

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

void FrmAboutLaunchersTest::desktopLaunchersEndToEnd() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString tool = dir.filePath("hardinfo");
    const QString toolStarted = dir.filePath("tool-started");
    const QString received = dir.filePath("received");
    QVERIFY(writeScript(dir.filePath("xdg-open"),
                        "printf '%s' \"$1\" > '" + received.toUtf8() + "'\n"));

    FakeComponent components;
    FakeMessageBoxService messages;
    FakeMousePointer mousePointer;
    FakeModalPresenter modal;
    // A tool that needs an argument, as GNOME's About panel does.
    brellow::os::PortableRegistry registry({tool.toStdString() + " info-overview"});
    brellow::os::PortableProgramStarter programs;
    brellow::os::DesktopShell shell(dir.filePath("xdg-open").toStdString());
    FrmAbout frmAbout(registry, programs, shell, messages);
    frmAbout.show();
    auto* cmdSysInfo = control<QPushButton>(frmAbout, "cmdSysInfo");
    auto* lblURL = control<QLabel>(frmAbout, "lblURL");

    // No tool installed: the message, and the box stays.
    QTest::mouseClick(cmdSysInfo, Qt::LeftButton);
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown.front().text,
             QStringLiteral("System Information Is Unavailable At This Time"));
    QVERIFY(frmAbout.isVisible());

    // Installed: the same click starts it.
    QVERIFY(writeScript(tool, "printf '%s' \"$*\" > '" + toolStarted.toUtf8() + "'\n"));
    QTest::mouseClick(cmdSysInfo, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(contentOf(toolStarted), QByteArray("info-overview"), 10000);
    QCOMPARE(messages.shown.size(), 1);

    // The link's address reaches the desktop's URL handler with the web scheme in front.
    QTest::mouseClick(lblURL, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(contentOf(received), ("http://" + lblURL->text().toLower()).toUtf8(),
                              10000);
    QCOMPARE(messages.shown.size(), 1);
}

void FrmAboutLaunchersTest::theLinkNeverHoldsTheBoxAndFailuresStillReachTheUser_data() {
    QTest::addColumn<QByteArray>("opener"); // empty: none installed
    QTest::addColumn<bool>("runsOn");
    QTest::addColumn<QString>("message"); // empty: none

    QTest::newRow("an opener that runs 10 s") << QByteArray("exec sleep 10\n") << true << QString();
    // The delay can be set from outside, to see the figure the user would meet; the suite
    // keeps it short.
    QTest::newRow("an opener that fails after a while")
        << QByteArray("sleep ${BRELLOW_TEST_OPENER_FAILS_AFTER:-2}\nexit 4\n") << false
        << QStringLiteral("API Error #110 was returned from GetLastError()");
    QTest::newRow("no opener installed")
        << QByteArray() << false << QStringLiteral("API Error #2 was returned from GetLastError()");
}

void FrmAboutLaunchersTest::theLinkNeverHoldsTheBoxAndFailuresStillReachTheUser() {
    QFETCH(QByteArray, opener);
    QFETCH(bool, runsOn);
    QFETCH(QString, message);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString pidFile = dir.filePath("pid");
    if (!opener.isEmpty()) {
        QVERIFY(writeScript(dir.filePath("xdg-open"),
                            "echo $$ > '" + pidFile.toUtf8() + "'\n" + opener));
    }
    // The desktop's opener is looked up on the PATH, where the stand-in is the first (or the
    // only) one.
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", dir.path().toLocal8Bit() + (opener.isEmpty() ? "" : ":" + oldPath));
    FakeAppServices rig;
    brellow::os::DesktopShell shell;
    FrmAbout frmAbout(rig.registry, rig.programs, shell, rig.messageBoxes);
    frmAbout.show();
    auto* lblURL = control<QLabel>(frmAbout, "lblURL");

    QElapsedTimer clicked;
    clicked.start();
    QTest::mouseClick(lblURL, Qt::LeftButton);
    const qint64 heldFor = clicked.elapsed();
    qputenv("PATH", oldPath);
    qInfo("the click returned after %lld ms", static_cast<long long>(heldFor));
    // Nowhere near as long as any opener takes: the click only starts it.
    QVERIFY(heldFor < 1500);
    QVERIFY(frmAbout.isVisible());

    if (opener.isEmpty()) {
        QCOMPARE(rig.messageBoxes.shown.size(), 1);
    } else {
        // The stand-in has started; whatever it does, it has not done it yet.
        QByteArray pid;
        QTRY_VERIFY_WITH_TIMEOUT(!(pid = contentOf(pidFile).trimmed()).isEmpty(), 10000);
        QVERIFY(rig.messageBoxes.shown.isEmpty());
        if (runsOn) {
            QCOMPARE(::kill(static_cast<pid_t>(pid.toLong()), 0), 0);
            ::kill(static_cast<pid_t>(pid.toLong()), SIGTERM);
            return;
        }
    }
    const int wait = qEnvironmentVariableIntValue("BRELLOW_TEST_OPENER_FAILS_AFTER") + 10;
    QTRY_COMPARE_WITH_TIMEOUT(rig.messageBoxes.shown.size(), 1, wait * 1000);
    qInfo("the message came %lld ms after the click", static_cast<long long>(clicked.elapsed()));
    QCOMPARE(rig.messageBoxes.shown.front().text, message);
    QCOMPARE(rig.messageBoxes.shown.front().style, MessageBoxService::kExclamation);
    QVERIFY(!rig.messageBoxes.shown.front().title.has_value());
}

QTEST_MAIN(FrmAboutLaunchersTest)
#include "tst_frmaboutlaunchers.moc"
