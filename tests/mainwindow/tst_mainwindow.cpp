#include "about/AboutBox.h"
#include "about/ImageBox.h"
#include "ado/ErrorNumbers.h"
#include "mainwindow/MainWindow.h"
#include "results/ResultsWindow.h"
#include "support/FakeAppServices.h"
#include "support/WindowControls.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <string_view>

using brellow::ado::Variant;
using brellow::mainwindow::MainWindow;
using brellow::testsupport::control;
using brellow::testsupport::FakeAppServices;
using brellow::testsupport::FakeMessageBoxService;

namespace {

QStringList answersOf(const QWidget& window) {
    QStringList answers;
    for (const char* name : {"lblEdition", "lblVersion", "lblSPLevel"}) {
        answers.append(brellow::testsupport::control<QLabel>(window, name)->text());
    }
    return answers;
}

QAction* menuItem(const QWidget& window, const char* name) {
    return control<QAction>(window, name);
}

QImage pictureOf(const QIcon& icon) {
    return icon.pixmap(QSize(32, 32)).toImage().convertToFormat(QImage::Format_ARGB32);
}

// What a control shows the user: a window's caption, a menu's title, an item's or a control's
// text.
QString shownText(const QObject& object) {
    if (const auto* menu = qobject_cast<const QMenu*>(&object)) {
        return menu->title();
    }
    if (const auto* item = qobject_cast<const QAction*>(&object)) {
        return item->text();
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(&object)) {
        return button->text();
    }
    if (const auto* label = qobject_cast<const QLabel*>(&object)) {
        return label->text();
    }
    if (const auto* frame = qobject_cast<const QGroupBox*>(&object)) {
        return frame->title();
    }
    if (const auto* box = qobject_cast<const QLineEdit*>(&object)) {
        return box->text();
    }
    const auto* widget = qobject_cast<const QWidget*>(&object);
    return widget != nullptr && widget->isWindow() ? widget->windowTitle() : QStringLiteral("?");
}

// The window shown and active, with the keyboard focus where loading left it.
void showActive(MainWindow& window) {
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
}

// Keeps the texts a field has its style draw: what it shows, which its text() does not tell.
class DrawnTexts : public QProxyStyle {
public:
    void drawItemText(QPainter* painter, const QRect& rect, int flags, const QPalette& palette,
                      bool enabled, const QString& text, QPalette::ColorRole role) const override {
        drawn.append({text, rect});
        QProxyStyle::drawItemText(painter, rect, flags, palette, enabled, text, role);
    }

    mutable QList<std::pair<QString, QRect>> drawn;
};

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void afterLoadingNothingCanRunAndTheAnswersAreEmpty() {
        FakeAppServices fakes;
        MainWindow window(fakes.services);

        QCOMPARE(window.windowTitle(), QStringLiteral("Brellow"));
        QVERIFY(!control<QPushButton>(window, "cmdGetVersion")->isEnabled());
        QVERIFY(!menuItem(window, "mnuViewConnectionProperties")->isEnabled());
        QVERIFY(!menuItem(window, "mnuViewConfigurationParameters")->isEnabled());
        QVERIFY(!control<QCheckBox>(window, "chkDoNotUseIntegratedSecuirity")->isChecked());
        for (const char* name : {"txtUser", "txtPassword", "lblUser", "lblPassword"}) {
            QVERIFY2(!control<QWidget>(window, name)->isEnabled(), name);
        }
        QVERIFY(control<QGroupBox>(window, "fraUserPassword")->isEnabled());
        for (const char* name : {"lblEdition", "lblVersion", "lblSPLevel"}) {
            QVERIFY2(control<QLabel>(window, name)->text().isEmpty(), name);
        }
        QVERIFY(menuItem(window, "mnuExit")->isEnabled());
        QVERIFY(menuItem(window, "mnuAbout")->isEnabled());
        // Loading touched nothing outside the window.
        QVERIFY(fakes.components.calls.empty());
        QCOMPARE(fakes.modal.calls, 0);
        QVERIFY(fakes.messageBoxes.shown.isEmpty());
    }

    void anyServerTextEnablesTheCommands_data() {
        QTest::addColumn<QString>("typed");
        QTest::newRow("one blank") << QStringLiteral(" ");
        QTest::newRow("one letter") << QStringLiteral("s");
        QTest::newRow("name with blanks around") << QStringLiteral("  db01\\inst  ");
        QTest::newRow("address") << QStringLiteral("127.0.0.1,1433");
    }

    void anyServerTextEnablesTheCommands() {
        QFETCH(QString, typed);
        FakeAppServices fakes;
        MainWindow window(fakes.services);
        auto* txtServer = control<QLineEdit>(window, "txtServer");
        auto* cmdGetVersion = control<QPushButton>(window, "cmdGetVersion");
        QAction* viewProperties = menuItem(window, "mnuViewConnectionProperties");

        QTest::keyClicks(txtServer, typed);
        QCOMPARE(window.request().serverName, typed);
        QVERIFY(cmdGetVersion->isEnabled());
        QVERIFY(viewProperties->isEnabled());

        // Deleting all but the last character keeps them enabled; the last one disables.
        for (qsizetype left = typed.size(); left > 1; --left) {
            QTest::keyClick(txtServer, Qt::Key_Backspace);
            QVERIFY(cmdGetVersion->isEnabled());
        }
        QTest::keyClick(txtServer, Qt::Key_Backspace);
        QVERIFY(txtServer->text().isEmpty());
        QVERIFY(!cmdGetVersion->isEnabled());
        QVERIFY(!viewProperties->isEnabled());

        // Pasting and cutting are changes like typing.
        txtServer->insert(typed);
        QVERIFY(cmdGetVersion->isEnabled());
        txtServer->selectAll();
        txtServer->cut();
        QVERIFY(!cmdGetVersion->isEnabled());
        QVERIFY(!viewProperties->isEnabled());
        // The server text never touches the login controls.
        QVERIFY(!control<QLineEdit>(window, "txtUser")->isEnabled());
    }

    void theCheckBoxSwitchesTheLoginControlsAndKeepsWhatWasTyped() {
        FakeAppServices fakes;
        MainWindow window(fakes.services);
        auto* check = control<QCheckBox>(window, "chkDoNotUseIntegratedSecuirity");
        auto* txtUser = control<QLineEdit>(window, "txtUser");
        auto* txtPassword = control<QLineEdit>(window, "txtPassword");
        const QList<QWidget*> login{txtUser, txtPassword, control<QLabel>(window, "lblUser"),
                                    control<QLabel>(window, "lblPassword")};
        QVERIFY(window.request().integratedSecurity);

        QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(6, check->height() / 2));
        QVERIFY(!window.request().integratedSecurity);
        for (QWidget* widget : login) {
            QVERIFY2(widget->isEnabled(), qPrintable(widget->objectName()));
        }
        QTest::keyClicks(txtUser, QStringLiteral("sa"));
        QTest::keyClicks(txtPassword, QStringLiteral("s3cret"));

        // The space bar is a click too.
        check->setFocus();
        QTest::keyClick(check, Qt::Key_Space);
        QVERIFY(window.request().integratedSecurity);
        for (QWidget* widget : login) {
            QVERIFY2(!widget->isEnabled(), qPrintable(widget->objectName()));
        }
        // Kept in the boxes, but not read for an integrated login.
        QCOMPARE(txtUser->text(), QStringLiteral("sa"));
        QCOMPARE(txtPassword->text(), QStringLiteral("s3cret"));
        QCOMPARE(window.request().userName, QString());
        QCOMPARE(window.request().password, QString());
        // Neither the frame nor the server command follow the check box.
        QVERIFY(control<QGroupBox>(window, "fraUserPassword")->isEnabled());
        QVERIFY(!control<QPushButton>(window, "cmdGetVersion")->isEnabled());

        QTest::keyClick(check, Qt::Key_Space);
        QVERIFY(txtPassword->isEnabled());
        QCOMPARE(txtUser->text(), QStringLiteral("sa"));
    }

    void thePasswordShowsStarsAndKeepsInputMethodsAway() {
        FakeAppServices fakes;
        MainWindow window(fakes.services);
        showActive(window);
        auto* check = control<QCheckBox>(window, "chkDoNotUseIntegratedSecuirity");
        auto* txtPassword = control<QLineEdit>(window, "txtPassword");
        check->click();
        QTest::keyClicks(txtPassword, QStringLiteral("pa55w0rd"));

        QCOMPARE(window.request().password, QStringLiteral("pa55w0rd"));
        QCOMPARE(txtPassword->displayText(), QString(8, QLatin1Char('*')));
        QVERIFY(!txtPassword->testAttribute(Qt::WA_InputMethodEnabled));
        QVERIFY(txtPassword->inputMethodHints().testFlag(Qt::ImhHiddenText));
        // Switching the box off and on must not bring input methods back.
        check->click();
        check->click();
        txtPassword->setFocus();
        QVERIFY(!txtPassword->testAttribute(Qt::WA_InputMethodEnabled));
        // What an input method asks the focused box: it must find input methods unwelcome.
        QInputMethodQueryEvent query(Qt::ImEnabled);
        QApplication::sendEvent(txtPassword, &query);
        QVERIFY(!query.value(Qt::ImEnabled).toBool());
        // The user name is an ordinary text box.
        QVERIFY(control<QLineEdit>(window, "txtUser")->echoMode() == QLineEdit::Normal);
    }

    void tabVisitsTheEnabledInputsInOrder_data() {
        QTest::addColumn<bool>("serverTyped");
        QTest::addColumn<bool>("loginChecked");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("nothing entered")
            << false << false
            << QStringList{"txtServer", "chkDoNotUseIntegratedSecuirity", "txtServer"};
        QTest::newRow("server typed") << true << false
                                      << QStringList{"txtServer", "cmdGetVersion",
                                                     "chkDoNotUseIntegratedSecuirity", "txtServer"};
        QTest::newRow("login chosen") << false << true
                                      << QStringList{"txtServer", "chkDoNotUseIntegratedSecuirity",
                                                     "txtUser", "txtPassword", "txtServer"};
        QTest::newRow("everything enabled")
            << true << true
            << QStringList{"txtServer", "cmdGetVersion", "chkDoNotUseIntegratedSecuirity",
                           "txtUser",   "txtPassword",   "txtServer"};
    }

    void tabVisitsTheEnabledInputsInOrder() {
        QFETCH(bool, serverTyped);
        QFETCH(bool, loginChecked);
        QFETCH(QStringList, order);
        FakeAppServices fakes;
        MainWindow window(fakes.services);
        showActive(window);
        // The focus starts in the server box.
        QTRY_COMPARE(QApplication::focusWidget(), control<QWidget>(window, "txtServer"));
        if (serverTyped) {
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("srv"));
        }
        control<QCheckBox>(window, "chkDoNotUseIntegratedSecuirity")->setChecked(loginChecked);

        QStringList visited{QApplication::focusWidget()->objectName()};
        for (qsizetype step = 1; step < order.size(); ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, order);
        // Shift+Tab goes back the same way.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget()->objectName(), order.at(order.size() - 2));
    }

    void enterInATextBoxStartsNothing() {
        FakeAppServices fakes;
        MainWindow window(fakes.services);
        showActive(window);
        auto* cmdGetVersion = control<QPushButton>(window, "cmdGetVersion");
        QSignalSpy pressed(cmdGetVersion, &QPushButton::clicked);
        control<QCheckBox>(window, "chkDoNotUseIntegratedSecuirity")->setChecked(true);
        QVERIFY(!cmdGetVersion->isDefault());
        QVERIFY(!cmdGetVersion->autoDefault());

        for (const char* name : {"txtServer", "txtUser", "txtPassword"}) {
            auto* box = control<QLineEdit>(window, name);
            box->setFocus();
            QTest::keyClicks(box, QStringLiteral("x"));
            QTest::keyClick(box, Qt::Key_Return);
            QTest::keyClick(box, Qt::Key_Enter);
        }
        QVERIFY(cmdGetVersion->isEnabled());
        QCOMPARE(pressed.count(), 0);
        QVERIFY(fakes.components.calls.empty());
        QCOMPARE(fakes.mousePointer.history.size(), 0);
        QVERIFY(fakes.messageBoxes.shown.isEmpty());
    }

    void getVersionInfoEmptiesTheAnswersFirstAndFillsThemUpToAMissingOne_data() {
        QTest::addColumn<bool>("versionIsNull");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("all three") << false << QStringList{"Standard Edition", "8.00.2039", "SP4"};
        QTest::newRow("a null version") << true << QStringList{"Standard Edition", "", ""};
    }

    void getVersionInfoEmptiesTheAnswersFirstAndFillsThemUpToAMissingOne() {
        QFETCH(bool, versionIsNull);
        QFETCH(QStringList, shown);
        FakeAppServices fakes;
        fakes.components.row = {
            {"Edition", Variant("Standard Edition")},
            {"ProductVersion", versionIsNull ? Variant::null() : Variant("8.00.2039")},
            {"ProductLevel", Variant("SP4")}};
        MainWindow window(fakes.services);
        window.showAnswers({QStringLiteral("old"), QStringLiteral("old"), QStringLiteral("old")});
        control<QLineEdit>(window, "txtServer")->setText(QStringLiteral("srv"));
        QStringList answersAtConnect{"unread"};
        int pointerAtConnect = -1;
        fakes.components.onCall = [&](const std::string& call) {
            if (call == "Create ADODB.Connection") {
                pointerAtConnect = fakes.mousePointer.current();
                answersAtConnect = answersOf(window);
            }
        };
        QStringList answersAtBox;
        fakes.messageBoxes.onShow = [&](const FakeMessageBoxService::Shown&) {
            answersAtBox = answersOf(window);
        };

        QTest::mouseClick(control<QPushButton>(window, "cmdGetVersion"), Qt::LeftButton);

        QCOMPARE(answersAtConnect, (QStringList{"", "", ""}));
        QCOMPARE(pointerAtConnect, 11);
        QCOMPARE(answersOf(window), shown);
        // A null is a failure, told after what was read before it is on show.
        QCOMPARE(fakes.messageBoxes.shown.size(), versionIsNull ? 1 : 0);
        if (versionIsNull) {
            QCOMPARE(answersAtBox, shown);
        }
    }

    void viewConfigurationParametersIsNeverAvailable() {
        FakeAppServices fakes;
        MainWindow window(fakes.services);
        showActive(window);
        QAction* item = menuItem(window, "mnuViewConfigurationParameters");
        auto* txtServer = control<QLineEdit>(window, "txtServer");
        auto* check = control<QCheckBox>(window, "chkDoNotUseIntegratedSecuirity");
        for (const bool typed : {false, true, false}) {
            for (const bool checked : {true, false, true}) {
                txtServer->setText(typed ? QStringLiteral("srv") : QString());
                check->setChecked(checked);
                QVERIFY(!item->isEnabled());
            }
        }
        window.clearServerInfo();
        window.showAnswers({QStringLiteral("Developer Edition"), {}, {}});
        QVERIFY(!item->isEnabled());
        // Choosing it from the keyboard does nothing either.
        QSignalSpy chosen(item, &QAction::triggered);
        auto* tools = control<QMenu>(window, "mnuTools");
        tools->popup(window.mapToGlobal(QPoint(0, 0)));
        QTRY_VERIFY(tools->isVisible());
        tools->setActiveAction(item);
        QTest::keyClick(tools, Qt::Key_Return);
        QCOMPARE(chosen.count(), 0);
        QVERIFY(fakes.components.calls.empty());
    }

    void theClientAreaFollowsTheLayoutAndCannotBeResized() {
        FakeAppServices fakes;
        MainWindow window(fakes.services);
        showActive(window);
        QWidget* client = window.centralWidget();
        QCOMPARE(client->size(), QSize(423, 162));
        QCOMPARE(window.minimumSize(), window.maximumSize());
        QCOMPARE(window.height(), 162 + window.menuBar()->height());
        QVERIFY(!window.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(window.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(window.windowFlags().testFlag(Qt::WindowCloseButtonHint));

        // The check box is drawn in front of the frame's top border: it is what a click on
        // the overlap reaches.
        const QPoint overlap =
            control<QWidget>(window, "fraUserPassword")->geometry().topLeft() + QPoint(20, 2);
        QCOMPARE(client->childAt(overlap),
                 control<QWidget>(window, "chkDoNotUseIntegratedSecuirity"));
    }

    void everyControlHasItsPlaceFontAndAlignment_data() {
        // Positions in twips, as the window was drawn: 15 to the pixel at 96 dots per inch.
        QTest::addColumn<QString>("container");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<QString>("family");
        QTest::addColumn<qreal>("points");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<int>("alignment"); // labels only; 0 for other controls
        const QString client = QStringLiteral("client");
        const QString frame = QStringLiteral("fraUserPassword");
        const QString tahoma = QStringLiteral("Tahoma");
        const int left = Qt::AlignLeft;
        const int centre = Qt::AlignHCenter;
        const int right = Qt::AlignRight;
        QTest::newRow("chkDoNotUseIntegratedSecuirity")
            << client << QRect(240, 840, 3015, 255) << tahoma << 9.75 << false << 0;
        QTest::newRow("txtServer")
            << client << QRect(120, 360, 2295, 375) << tahoma << 9.75 << false << 0;
        QTest::newRow("cmdGetVersion") << client << QRect(2640, 360, 1575, 375)
                                       << QStringLiteral("MS Sans Serif") << 8.25 << false << 0;
        QTest::newRow("fraUserPassword")
            << client << QRect(120, 840, 4095, 1455) << tahoma << 9.75 << false << 0;
        QTest::newRow("txtUser") << frame << QRect(1320, 360, 2295, 375) << tahoma << 9.75 << false
                                 << 0;
        QTest::newRow("txtPassword")
            << frame << QRect(1320, 840, 2295, 375) << tahoma << 9.75 << false << 0;
        QTest::newRow("lblUser") << frame << QRect(120, 360, 1095, 375) << tahoma << 9.75 << false
                                 << right;
        QTest::newRow("lblPassword")
            << frame << QRect(240, 840, 975, 375) << tahoma << 9.75 << false << right;
        QTest::newRow("Label1") << client << QRect(120, 120, 2295, 255) << tahoma << 9.75 << false
                                << left;
        QTest::newRow("lblSPLevel")
            << client << QRect(4440, 2040, 1815, 255) << tahoma << 9.75 << false << centre;
        QTest::newRow("lblSP") << client << QRect(4440, 1800, 1815, 255) << tahoma << 8.25 << true
                               << left;
        QTest::newRow("lblVersion")
            << client << QRect(4440, 1320, 1815, 255) << tahoma << 9.75 << false << centre;
        QTest::newRow("Label2") << client << QRect(4440, 1080, 1815, 255) << tahoma << 8.25 << true
                                << left;
        QTest::newRow("lblEdition")
            << client << QRect(4440, 600, 1815, 255) << tahoma << 9.75 << false << centre;
        QTest::newRow("lblEditionLabel")
            << client << QRect(4440, 360, 1815, 255) << tahoma << 8.25 << true << left;
    }

    void everyControlHasItsPlaceFontAndAlignment() {
        QFETCH(QString, container);
        QFETCH(QRect, twips);
        QFETCH(QString, family);
        QFETCH(qreal, points);
        QFETCH(bool, bold);
        QFETCH(int, alignment);
        FakeAppServices fakes;
        MainWindow window(fakes.services);
        auto* widget = control<QWidget>(window, QTest::currentDataTag());

        QCOMPARE(widget->parentWidget()->objectName(), container);
        QCOMPARE(widget->geometry(),
                 QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15));
        QCOMPARE(widget->font().family(), family);
        QCOMPARE(widget->font().pointSizeF(), points);
        QCOMPARE(widget->font().bold(), bold);
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            QCOMPARE(int(label->alignment() & Qt::AlignHorizontal_Mask), alignment);
        }
    }

    void itIsShownCentredOnTheScreen() {
        FakeAppServices fakes;
        MainWindow window(fakes.services);
        window.showCentred();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect screen = window.screen()->availableGeometry();
        const QPoint offset = window.frameGeometry().center() - screen.center();
        // The window frame is not known before the first showing, so the centring may be
        // off by the frame's width, never by more.
        const QSize frame = window.frameGeometry().size() - window.size();
        QVERIFY2(std::abs(offset.x()) <= frame.width() / 2 + 1 &&
                     std::abs(offset.y()) <= frame.height() / 2 + 1,
                 qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));
        QCOMPARE(window.centralWidget()->size(), QSize(423, 162));
    }

    void answerFieldsShowServerTextVerbatimAndSpeakTheirHeadings() {
        FakeAppServices fakes;
        MainWindow window(fakes.services);
        const QString markup = QStringLiteral("<b>Standard</b> & <i>Co</i>");
        window.showAnswers({markup, QStringLiteral("8.00.2039"), QStringLiteral("SP4")});
        auto* lblEdition = control<QLabel>(window, "lblEdition");
        QCOMPARE(lblEdition->text(), markup);
        QCOMPARE(lblEdition->textFormat(), Qt::PlainText);
        QCOMPARE(control<QLabel>(window, "lblVersion")->text(), QStringLiteral("8.00.2039"));
        QCOMPARE(control<QLabel>(window, "lblSPLevel")->text(), QStringLiteral("SP4"));

        const QList<std::pair<const char*, QString>> fields{
            {"lblEdition", QStringLiteral("SQL Server Edition")},
            {"lblVersion", QStringLiteral("SQL Server Version")},
            {"lblSPLevel", QStringLiteral("SQL Server SP Level")}};
        for (const auto& [name, heading] : fields) {
            auto* label = control<QLabel>(window, name);
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(label);
            QVERIFY(accessible != nullptr);
            // The heading first, then what the answer means.
            const QString description = accessible->text(QAccessible::Description);
            QVERIFY2(description.startsWith(heading + QLatin1Char('.')) &&
                         description.size() > heading.size() + 10,
                     qPrintable(description));
            QCOMPARE(accessible->text(QAccessible::Name), label->text());
        }
        // The server's markup stays text in the tooltip too.
        QVERIFY(lblEdition->toolTip().contains(markup.toHtmlEscaped()));

        window.clearServerInfo();
        for (const auto& [name, heading] : fields) {
            auto* label = control<QLabel>(window, name);
            QVERIFY2(label->text().isEmpty(), name);
            QVERIFY2(label->toolTip().isEmpty(), name);
            QCOMPARE(QAccessible::queryAccessibleInterface(label)->text(QAccessible::Description),
                     heading);
        }
        QCOMPARE(lblEdition->text(), QString());
    }

    void eachAnswerSaysWhatItMeans_data() {
        QTest::addColumn<QString>("edition");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("level");
        QTest::addColumn<QString>("field");
        // Facts from Microsoft's build lists that the field's tooltip and description tell.
        QTest::addColumn<QStringList>("facts");
        const auto row = [](const char* tag, const char* version, const char* level,
                            const char* field, const QStringList& facts) {
            QTest::newRow(tag) << QString::fromLatin1(
                                      tag == std::string_view("Azure SQL")
                                          ? "SQL Azure"
                                          : "Enterprise Edition: Core-based Licensing (64-bit)")
                               << QString::fromLatin1(version) << QString::fromLatin1(level)
                               << QString::fromLatin1(field) << facts;
        };
        row("2000 SP4 version", "8.00.2039", "SP4", "lblVersion",
            {"SQL Server 2000 SP4", "4 updates behind", "8.00.2283"});
        row("2000 SP4 level", "8.00.2039", "SP4", "lblSPLevel", {"Service Pack 4"});
        row("2019 CU32 version", "15.0.4430.1", "RTM", "lblVersion",
            {"SQL Server 2019 CU32", "KB5054833", "2025-02-27", "8 updates and 502 days behind",
             "15.0.4480.2", "Mainstream support ended on 2025-02-28", "2030-01-08"});
        // RTM is all a 2019 ever reports: the level tells the update it leaves out.
        row("2019 CU32 level", "15.0.4430.1", "RTM", "lblSPLevel",
            {"SQL Server 2019 has no service packs", "CU32, a cumulative update", "KB5054833"});
        row("newer than the catalogue", "15.0.9000.0", "RTM", "lblVersion",
            {"A SQL Server 2019 build newer than every one the build catalogue (dated "
             "2026-08-13) lists",
             "15.0.4480.2"});
        row("newer than the catalogue, level", "15.0.9000.0", "RTM", "lblSPLevel",
            {"newer than every one the build catalogue lists on its line"});
        row("Azure SQL", "12.0.2000.8", "RTM", "lblVersion", {"An Azure SQL version number"});
        row("2022 CU23 edition", "16.0.4236.2", "RTM", "lblEdition", {"SQL Server 2022"});
    }

    void eachAnswerSaysWhatItMeans() {
        QFETCH(QString, edition);
        QFETCH(QString, version);
        QFETCH(QString, level);
        QFETCH(QString, field);
        QFETCH(QStringList, facts);
        FakeAppServices fakes;
        MainWindow window(fakes.services);
        window.showAnswers({edition, version, level});

        auto* label = control<QLabel>(window, qPrintable(field));
        const QString description =
            QAccessible::queryAccessibleInterface(label)->text(QAccessible::Description);
        QVERIFY(label->toolTip().contains(label->text().toHtmlEscaped()));
        for (const QString& fact : facts) {
            QVERIFY2(label->toolTip().contains(fact.toHtmlEscaped()), qPrintable(fact));
            QVERIFY2(description.contains(fact), qPrintable(description));
        }
        // The answers themselves stay the server's.
        QCOMPARE(control<QLabel>(window, "lblEdition")->text(), edition);
        QCOMPARE(control<QLabel>(window, "lblVersion")->text(), version);
        QCOMPARE(control<QLabel>(window, "lblSPLevel")->text(), level);
    }

    void aCatalogueInTheUsersDataFolderIsReadAndNamed_data() {
        QTest::addColumn<QString>("dateLine");
        QTest::addColumn<QString>("told");
        QTest::newRow("newer: used") << QStringLiteral("# date: 2026-11-30")
                                     << QStringLiteral("SQL Server 2019 GDR, a security update");
        QTest::newRow("no date: refused")
            << QString() << QStringLiteral("was refused: it has no \u201c# date:\u201d line.");
    }

    void aCatalogueInTheUsersDataFolderIsReadAndNamed() {
        QFETCH(QString, dateLine);
        QFETCH(QString, told);
        QTemporaryDir folder;
        QFile file(folder.filePath(QStringLiteral("sqlserver-builds.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write((dateLine + QStringLiteral("\nversion\t15.0\tSQL Server 2019\t\t\t\n"
                                              "build\t15.0.2190.1\tGDR\tGDR\t\t2026-11-11\t"
                                              "RTM GDR\t\n"))
                       .toUtf8());
        file.close();
        FakeAppServices fakes;
        fakes.desktop.dataFolder = folder.path().toStdString();
        MainWindow window(fakes.services);
        window.showAnswers({QStringLiteral("Standard Edition"), QStringLiteral("15.0.2190.1"),
                            QStringLiteral("RTM")});

        const QString tip = control<QLabel>(window, "lblVersion")->toolTip();
        QVERIFY2(tip.contains(told.toHtmlEscaped()), qPrintable(tip));
        QVERIFY2(tip.contains(QDir::toNativeSeparators(file.fileName()).toHtmlEscaped()),
                 qPrintable(tip));
    }

    void aValueTooWideIsDrawnCutAtItsEnd_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("tooWide");
        QTest::newRow("core-based Enterprise")
            << "lblEdition"
            << "Enterprise Edition: Core-based Licensing (64-bit)" << true;
        QTest::newRow("64-bit Developer") << "lblEdition"
                                          << "Developer Edition (64-bit)" << true;
        QTest::newRow("version") << "lblVersion"
                                 << "15.0.4430.1" << false;
        QTest::newRow("level") << "lblSPLevel"
                               << "SP4" << false;
    }

    void aValueTooWideIsDrawnCutAtItsEnd() {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(bool, tooWide);
        FakeAppServices fakes;
        MainWindow window(fakes.services);
        window.showAnswers({value, value, value});
        auto* label = control<QLabel>(window, qPrintable(field));

        DrawnTexts style;
        label->setStyle(&style);
        label->grab();
        QCOMPARE(style.drawn.size(), 1);
        const auto& [drawn, area] = style.drawn.front();
        if (tooWide) {
            // Its beginning, then "…", all of it inside the field.
            QVERIFY2(drawn.endsWith(QChar(0x2026)) && drawn.size() > 10 &&
                         value.startsWith(drawn.chopped(1)),
                     qPrintable(drawn));
            QVERIFY(label->fontMetrics().horizontalAdvance(drawn) <= area.width());
        } else {
            QCOMPARE(drawn, value);
        }
        // Whole wherever it is read.
        QCOMPARE(label->text(), value);
        QCOMPARE(QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name), value);
        QVERIFY(label->toolTip().contains(value));
    }

    void textBoxesAreNamedAfterTheirLabels() {
        FakeAppServices fakes;
        MainWindow window(fakes.services);
        const QList<std::pair<const char*, QString>> boxes{
            {"txtServer", QStringLiteral("SQL Server Name/IP")},
            {"txtUser", QStringLiteral("User Name")},
            {"txtPassword", QStringLiteral("Password")}};
        for (const auto& [name, caption] : boxes) {
            QAccessibleInterface* accessible =
                QAccessible::queryAccessibleInterface(control<QLineEdit>(window, name));
            QVERIFY(accessible != nullptr);
            QCOMPARE(accessible->text(QAccessible::Name), caption);
            QCOMPARE(accessible->role(), QAccessible::EditableText);
        }
        // The password's accessible value must not give the password away.
        auto* txtPassword = control<QLineEdit>(window, "txtPassword");
        txtPassword->setText(QStringLiteral("hunter2"));
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(txtPassword);
        QVERIFY(!accessible->text(QAccessible::Value).contains(QStringLiteral("hunter2")));
    }

    void aboutShowsTheBoxModallyWithTheMainWindowsIcon() {
        FakeAppServices fakes;
        MainWindow window(fakes.services);
        showActive(window);
        QVERIFY(!window.windowIcon().isNull());
        const QImage expected = pictureOf(window.windowIcon());

        QList<QPointer<QDialog>> boxes;
        QStringList titles;
        fakes.modal.whileShown = [&](QDialog& box) {
            boxes << &box;
            titles << box.windowTitle();
            auto* about = qobject_cast<brellow::about::AboutBox*>(&box);
            QVERIFY(about != nullptr);
            QVERIFY(box.isVisible());
            QCOMPARE(box.parentWidget(), &window);
            auto* image = about->iconImage();
            QCOMPARE(image->size(), QSize(32, 32));
            QCOMPARE(pictureOf(image->picture()), expected);
            QCOMPARE(
                image->pixmap().toImage().convertToFormat(QImage::Format_ARGB32).scaled(32, 32),
                expected);
            QCOMPARE(control<QLabel>(box, "lblTitle")->text(), QStringLiteral("Brellow"));
        };

        menuItem(window, "mnuAbout")->trigger();
        menuItem(window, "mnuAbout")->trigger();

        QCOMPARE(fakes.modal.calls, 2);
        QCOMPARE(fakes.modal.lastOwner, &window);
        QCOMPARE(titles, (QStringList{"About Brellow", "About Brellow"}));
        // A fresh box each time, gone once the command has ended.
        QCOMPARE(boxes.size(), 2);
        QVERIFY(boxes.at(0).isNull());
        QVERIFY(boxes.at(1).isNull());
        QVERIFY(window.findChildren<QDialog*>().isEmpty());
    }

    void everyCaptionMenuTextAndMessageReadsAsDesigned_data() {
        QTest::addColumn<QString>("window"); // the window, or "message" for a message box
        QTest::addColumn<QString>("name");   // empty: the window's own caption
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("style");     // message boxes only
        QTest::addColumn<QString>("title"); // message boxes only; empty: none of its own
        const auto row = [](const char* window, const char* control, const QString& text) {
            QTest::addRow("%s %s", window, *control != '\0' ? control : "caption")
                << QString::fromLatin1(window) << QString::fromLatin1(control) << text << 0
                << QString();
        };
        row("frmMain", "", "Brellow");
        row("frmMain", "chkDoNotUseIntegratedSecuirity", "Do Not Use Integrated Security");
        row("frmMain", "txtServer", "");
        row("frmMain", "cmdGetVersion", "Get Version Info");
        row("frmMain", "fraUserPassword", "");
        row("frmMain", "txtUser", "");
        row("frmMain", "txtPassword", "");
        row("frmMain", "lblUser", "User Name");
        row("frmMain", "lblPassword", "Password");
        row("frmMain", "Label1", "SQL Server Name/IP");
        row("frmMain", "lblSPLevel", "");
        row("frmMain", "lblSP", "SQL Server SP Level");
        row("frmMain", "lblVersion", "");
        row("frmMain", "Label2", "SQL Server Version");
        row("frmMain", "lblEdition", "");
        row("frmMain", "lblEditionLabel", "SQL Server Edition");
        row("frmMain", "mnuProgram", "&Program");
        row("frmMain", "mnuExit", "E&xit");
        row("frmMain", "mnuTools", "&Tools");
        row("frmMain", "mnuViewConnectionProperties", "&View Connection Properties");
        row("frmMain", "mnuViewConfigurationParameters", "&View Configuration Parameters");
        row("frmMain", "mnuHelp", "&Help");
        row("frmMain", "mnuAbout", "&About");
        row("frmAbout", "", "About Brellow");
        row("frmAbout", "cmdOK", "OK");
        row("frmAbout", "cmdSysInfo", "&System Info...");
        row("frmAbout", "lblDescription",
            "This application allows you to find the current version and service pack level of "
            "any SQL Server 2000 installation.");
        row("frmAbout", "lblDisclaimer", "");
        row("frmAbout", "lblTitle", "Brellow");
        row("frmAbout", "lblVersion", "Version 1.0.5");
        row("frmAbout", "lblURL", "brellow.example.org");
        row("frmResults", "", "Results");
        row("frmResults", "cmdClose", "Close");
        const auto message = [](const char* situation, const QString& text, int style,
                                const QString& title) {
            QTest::newRow(situation) << QStringLiteral("message") << QString::fromLatin1(situation)
                                     << text << style << title;
        };
        message("the server refuses",
                "The SQL Server is not available or you have been denied access!", 16,
                "SQL Server Not Available/Access Denied");
        message("no system information tool", "System Information Is Unavailable At This Time", 0,
                {});
        message("the shell refuses the link", "API Error #2 was returned from GetLastError()", 48,
                {});
        message("the link fails later", "API Error #1155 was returned from GetLastError()", 48, {});
    }

    void everyCaptionMenuTextAndMessageReadsAsDesigned() {
        QFETCH(QString, window);
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(int, style);
        QFETCH(QString, title);
        FakeAppServices fakes;
        MainWindow mainWindow(fakes.services);
        brellow::about::AboutBox aboutBox(fakes.desktop, fakes.messageBoxes, &mainWindow);
        brellow::results::ResultsWindow resultsWindow(&mainWindow);

        if (window == QLatin1String("message")) {
            if (name == QLatin1String("the server refuses")) {
                fakes.components.failOpen =
                    brellow::testsupport::FakeComponent::error(brellow::ado::errors::kFail, "no");
                control<QLineEdit>(mainWindow, "txtServer")->setText(QStringLiteral("srv"));
                menuItem(mainWindow, "mnuViewConnectionProperties")->trigger();
            } else if (name == QLatin1String("no system information tool")) {
                fakes.desktop.systemInformationStarted = false;
                control<QPushButton>(aboutBox, "cmdSysInfo")->click();
            } else if (name == QLatin1String("the shell refuses the link")) {
                fakes.desktop.refusal = 2;
                aboutBox.linkClicked();
            } else {
                QVERIFY(fakes.desktop.lateFailure);
                fakes.desktop.lateFailure(1155);
            }
            QCOMPARE(fakes.messageBoxes.shown.size(), 1);
            const auto& shown = fakes.messageBoxes.shown.front();
            QCOMPARE(shown.text, text);
            QCOMPARE(shown.style, style);
            QCOMPARE(shown.title.value_or(QString()), title);
            QCOMPARE(shown.title.has_value(), !title.isEmpty());
            return;
        }
        const QWidget* shownIn = &mainWindow;
        if (window == QLatin1String("frmAbout")) {
            shownIn = &aboutBox;
        } else if (window == QLatin1String("frmResults")) {
            shownIn = &resultsWindow;
        }
        const QObject* object = name.isEmpty() ? shownIn : shownIn->findChild<QObject*>(name);
        QVERIFY2(object != nullptr, qPrintable(name));
        QCOMPARE(shownText(*object), text);
    }

    void exitEndsTheProgramWithoutAQuestion_data() {
        QTest::addColumn<bool>("byMenu");
        QTest::newRow("Program, Exit") << true;
        QTest::newRow("close box") << false;
    }

    void exitEndsTheProgramWithoutAQuestion() {
        QFETCH(bool, byMenu);
        FakeAppServices fakes;
        MainWindow window(fakes.services);
        showActive(window);
        control<QLineEdit>(window, "txtServer")->setText(QStringLiteral("unsaved"));

        // The program's own event loop, as main runs it: Exit must end it. A window that only
        // went out of sight would leave it running, so a bound ends it instead and fails.
        QTimer::singleShot(0, &window, [&window, byMenu] {
            if (byMenu) {
                menuItem(window, "mnuExit")->trigger();
            } else {
                window.close();
            }
        });
        bool stillRunning = false;
        QTimer bound;
        bound.setSingleShot(true);
        connect(&bound, &QTimer::timeout, &bound, [&stillRunning] {
            stillRunning = true;
            QCoreApplication::exit(1);
        });
        bound.start(10000);
        const int exitCode = QApplication::exec();

        QVERIFY2(!stillRunning, "the event loop went on after Exit");
        QCOMPARE(exitCode, 0);
        QVERIFY(!window.isVisible());
        for (QWidget* topLevel : QApplication::topLevelWidgets()) {
            QVERIFY2(!topLevel->isVisible(), qPrintable(topLevel->objectName()));
        }
        QVERIFY(fakes.messageBoxes.shown.isEmpty());
        QCOMPARE(fakes.modal.calls, 0);
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
