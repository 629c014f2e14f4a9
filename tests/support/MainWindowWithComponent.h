#pragma once

#include "mainwindow/AppServices.h"
#include "mainwindow/MainWindow.h"
#include "odbc/OdbcComponentFactory.h"
#include "support/FakeDesktop.h"
#include "support/FakeMessageBoxService.h"
#include "support/FakeModalPresenter.h"
#include "support/FakeMousePointer.h"
#include "support/WindowControls.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

namespace brellow::testsupport {

// The main window, shown offscreen, over the real database component, with recording fakes
// for everything else: what the window integration tests press buttons on.
class MainWindowWithComponent {
public:
    odbc::OdbcComponentFactory components;
    FakeMessageBoxService boxes;
    FakeMousePointer pointer;
    FakeModalPresenter modal;
    FakeDesktop desktop;
    mainwindow::AppServices services{components, boxes, pointer, modal, desktop};
    std::unique_ptr<mainwindow::MainWindow> mainWindow;

    // A fresh window, shown; the message, pointer and modal records emptied.
    void open() {
        boxes.shown.clear();
        pointer.history.clear();
        modal.calls = 0;
        modal.whileShown = nullptr;
        mainWindow = std::make_unique<mainwindow::MainWindow>(services);
        mainWindow->show();
        QVERIFY(QTest::qWaitForWindowExposed(mainWindow.get()));
    }
    void close() { mainWindow.reset(); }

    template <class T> T* control(const char* name) {
        return testsupport::control<T>(*mainWindow, name);
    }
    QString label(const char* name) { return control<QLabel>(name)->text(); }

    // Types what a person would and presses Get Version Info; returns once it has run.
    void getVersionInfo(const QString& server, const QString& user, const QString& password) {
        QTest::keyClicks(control<QLineEdit>("txtServer"), server);
        control<QCheckBox>("chkDoNotUseIntegratedSecuirity")->click();
        QTest::keyClicks(control<QLineEdit>("txtUser"), user);
        QTest::keyClicks(control<QLineEdit>("txtPassword"), password);
        QVERIFY(control<QPushButton>("cmdGetVersion")->isEnabled());
        QTest::mouseClick(control<QPushButton>("cmdGetVersion"), Qt::LeftButton);
    }

    // The server's three answers, and no message box.
    void verifyAnswers(const QString& edition, const QString& version, const QString& level) {
        QVERIFY2(boxes.shown.isEmpty(), qPrintable(boxes.shown.value(0).text));
        QCOMPARE(label("lblEdition"), edition);
        QCOMPARE(label("lblVersion"), version);
        QCOMPARE(label("lblSPLevel"), level);
    }

    void verifyLabelsEmpty() {
        QCOMPARE(label("lblEdition"), QString());
        QCOMPARE(label("lblVersion"), QString());
        QCOMPARE(label("lblSPLevel"), QString());
    }

    // The one message a failed open shows.
    void verifyAccessDeniedBox() {
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].text,
                 QStringLiteral("The SQL Server is not available or you have been denied access!"));
        QCOMPARE(boxes.shown[0].title.value_or(QString()),
                 QStringLiteral("SQL Server Not Available/Access Denied"));
        QCOMPARE(boxes.shown[0].style, 16);
    }
};

} // namespace brellow::testsupport
