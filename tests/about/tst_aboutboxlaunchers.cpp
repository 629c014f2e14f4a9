// The About box's System Info button and web link: against a fake desktop, and on Linux against
// the real one with stand-in tools.
#include "about/AboutBox.h"
#include "support/FakeDesktop.h"
#include "support/FakeMessageBoxService.h"
#include "support/WindowControls.h"
#ifndef _WIN32
#include "linux/LinuxDesktop.h"
#endif

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

using brellow::about::AboutBox;
using brellow::uiservices::MessageBoxService;
using namespace brellow::testsupport;

#ifndef _WIN32
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
#endif

class AboutBoxLaunchersTest : public QObject {
    Q_OBJECT

private slots:
    void systemInfoButtonStartsTheToolOrSaysItIsUnavailable_data();
    void systemInfoButtonStartsTheToolOrSaysItIsUnavailable();
    void linkClickOpensTheCaptionWithThisWindowAsOwner();
    void aRefusedLinkShowsTheSystemsNumber();
#ifndef _WIN32
    void linuxDesktopEndToEnd();
    void theLinkNeverHoldsTheBoxAndFailuresStillReachTheUser_data();
    void theLinkNeverHoldsTheBoxAndFailuresStillReachTheUser();
#endif
};

void AboutBoxLaunchersTest::systemInfoButtonStartsTheToolOrSaysItIsUnavailable_data() {
    QTest::addColumn<bool>("started");
    QTest::addColumn<bool>("throws");
    QTest::newRow("the tool starts") << true << false;
    QTest::newRow("no tool") << false << false;
    QTest::newRow("the search goes wrong") << false << true;
}

void AboutBoxLaunchersTest::systemInfoButtonStartsTheToolOrSaysItIsUnavailable() {
    QFETCH(bool, started);
    QFETCH(bool, throws);
    FakeDesktop desktop;
    desktop.systemInformationStarted = started;
    desktop.systemInformationThrows = throws;
    FakeMessageBoxService messages;
    AboutBox aboutBox(desktop, messages);
    aboutBox.show();
    auto* cmdSysInfo = control<QPushButton>(aboutBox, "cmdSysInfo");

    // Each click asks again; nothing is remembered between them.
    QTest::mouseClick(cmdSysInfo, Qt::LeftButton);
    QTest::mouseClick(cmdSysInfo, Qt::LeftButton);

    QCOMPARE(desktop.systemInformationStarts, 2);
    QCOMPARE(messages.shown.size(), started ? 0 : 2);
    for (const auto& shown : messages.shown) {
        QCOMPARE(shown.text, QStringLiteral("System Information Is Unavailable At This Time"));
        QCOMPARE(shown.style, MessageBoxService::kOkOnly);
        QVERIFY(!shown.title.has_value());
    }
    QVERIFY(aboutBox.isVisible());
}

void AboutBoxLaunchersTest::linkClickOpensTheCaptionWithThisWindowAsOwner() {
    FakeDesktop desktop;
    FakeMessageBoxService messages;
    AboutBox aboutBox(desktop, messages);
    aboutBox.show();
    auto* lblURL = control<QLabel>(aboutBox, "lblURL");
    lblURL->setText("Www.Example.ORG/Path");

    QTest::mouseClick(lblURL, Qt::LeftButton);

    QCOMPARE(desktop.openings.size(), std::size_t{1});
    QCOMPARE(desktop.openings.front().address, std::string("http://www.example.org/path"));
    QCOMPARE(desktop.openings.front().owner, static_cast<std::uintptr_t>(aboutBox.winId()));
    QVERIFY(messages.shown.isEmpty());
    QVERIFY(aboutBox.isVisible());
}

void AboutBoxLaunchersTest::aRefusedLinkShowsTheSystemsNumber() {
    FakeDesktop desktop;
    desktop.refusal = 1155;
    FakeMessageBoxService messages;
    AboutBox aboutBox(desktop, messages);
    aboutBox.show();
    auto* lblURL = control<QLabel>(aboutBox, "lblURL");
    // The caption the box was built with is the address handed on.
    const std::string expected = "http://" + lblURL->text().toLower().toStdString();

    QTest::mouseClick(lblURL, Qt::LeftButton);

    QCOMPARE(desktop.openings.size(), std::size_t{1});
    QCOMPARE(desktop.openings.front().address, expected);
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown.front().text,
             QStringLiteral("API Error #1155 was returned from GetLastError()"));
    QCOMPARE(messages.shown.front().style, MessageBoxService::kExclamation);
}

#ifndef _WIN32
void AboutBoxLaunchersTest::linuxDesktopEndToEnd() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString tool = dir.filePath("hardinfo");
    const QString toolStarted = dir.filePath("tool-started");
    const QString received = dir.filePath("received");
    QVERIFY(writeScript(dir.filePath("xdg-open"),
                        "printf '%s' \"$1\" > '" + received.toUtf8() + "'\n"));

    FakeMessageBoxService messages;
    // A tool that needs an argument, as GNOME's About panel does.
    brellow::os::LinuxDesktop desktop({{tool.toStdString(), {"info-overview"}}},
                                      dir.filePath("xdg-open").toStdString());
    AboutBox aboutBox(desktop, messages);
    aboutBox.show();
    auto* cmdSysInfo = control<QPushButton>(aboutBox, "cmdSysInfo");
    auto* lblURL = control<QLabel>(aboutBox, "lblURL");

    // No tool installed: the message, and the box stays.
    QTest::mouseClick(cmdSysInfo, Qt::LeftButton);
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown.front().text,
             QStringLiteral("System Information Is Unavailable At This Time"));
    QVERIFY(aboutBox.isVisible());

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

void AboutBoxLaunchersTest::theLinkNeverHoldsTheBoxAndFailuresStillReachTheUser_data() {
    QTest::addColumn<QByteArray>("opener"); // empty: none installed
    QTest::addColumn<bool>("runsOn");
    QTest::addColumn<QString>("message"); // empty: none

    QTest::newRow("an opener that runs 10 s") << QByteArray("exec sleep 10\n") << true << QString();
    // The delay can be set from outside, to see the figure the user would meet; the suite
    // keeps it short.
    QTest::newRow("an opener that fails after a while")
        << QByteArray("sleep ${BRELLOW_TEST_OPENER_FAILS_AFTER:-2}\nexit 4\n") << false
        << QStringLiteral("API Error #4 was returned from GetLastError()");
    QTest::newRow("no opener installed")
        << QByteArray() << false
        << QStringLiteral("API Error #127 was returned from GetLastError()");
}

void AboutBoxLaunchersTest::theLinkNeverHoldsTheBoxAndFailuresStillReachTheUser() {
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
    FakeMessageBoxService messages;
    brellow::os::LinuxDesktop desktop;
    AboutBox aboutBox(desktop, messages);
    aboutBox.show();
    auto* lblURL = control<QLabel>(aboutBox, "lblURL");

    QElapsedTimer clicked;
    clicked.start();
    QTest::mouseClick(lblURL, Qt::LeftButton);
    const qint64 heldFor = clicked.elapsed();
    qputenv("PATH", oldPath);
    qInfo("the click returned after %lld ms", static_cast<long long>(heldFor));
    // Nowhere near as long as any opener takes: the click only starts it.
    QVERIFY(heldFor < 1500);
    QVERIFY(aboutBox.isVisible());

    if (opener.isEmpty()) {
        QCOMPARE(messages.shown.size(), 1);
    } else {
        // The stand-in has started; whatever it does, it has not done it yet.
        QByteArray pid;
        QTRY_VERIFY_WITH_TIMEOUT(!(pid = contentOf(pidFile).trimmed()).isEmpty(), 10000);
        QVERIFY(messages.shown.isEmpty());
        if (runsOn) {
            QCOMPARE(::kill(static_cast<pid_t>(pid.toLong()), 0), 0);
            ::kill(static_cast<pid_t>(pid.toLong()), SIGTERM);
            return;
        }
    }
    const int wait = qEnvironmentVariableIntValue("BRELLOW_TEST_OPENER_FAILS_AFTER") + 10;
    QTRY_COMPARE_WITH_TIMEOUT(messages.shown.size(), 1, wait * 1000);
    qInfo("the message came %lld ms after the click", static_cast<long long>(clicked.elapsed()));
    QCOMPARE(messages.shown.front().text, message);
    QCOMPARE(messages.shown.front().style, MessageBoxService::kExclamation);
    QVERIFY(!messages.shown.front().title.has_value());
}

#endif

QTEST_MAIN(AboutBoxLaunchersTest)
#include "tst_aboutboxlaunchers.moc"
