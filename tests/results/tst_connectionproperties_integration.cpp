#include "results/ResultsWindow.h"
#include "support/MainWindowWithComponent.h"
#include "support/TestServerProcess.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QtTest>

using brellow::results::ResultsWindow;
using brellow::testsupport::TestServerProcess;

// Tools, View Connection Properties in the main window, through the real database component,
// against the project's TDS test server.
class ConnectionPropertiesIntegrationTest : public QObject {
    Q_OBJECT

private:
    brellow::testsupport::MainWindowWithComponent window;
    brellow::testsupport::FakeMessageBoxService& boxes = window.boxes;
    brellow::testsupport::FakeMousePointer& pointer = window.pointer;
    brellow::testsupport::FakeModalPresenter& modal = window.modal;
    std::unique_ptr<TestServerProcess> server;
    QList<QStringList> shownRows;
    QStringList shownTitles;

    template <class T> T* control(const char* name) { return window.control<T>(name); }

    void enterLogin(const QString& password) {
        QTest::keyClicks(control<QLineEdit>("txtServer"),
                         QStringLiteral("127.0.0.1,%1").arg(server->port()));
        control<QCheckBox>("chkDoNotUseIntegratedSecuirity")->click();
        QTest::keyClicks(control<QLineEdit>("txtUser"), QStringLiteral("brellow"));
        QTest::keyClicks(control<QLineEdit>("txtPassword"), password);
    }

    void viewConnectionProperties() {
        QAction* item =
            window.mainWindow->findChild<QAction*>(QStringLiteral("mnuViewConnectionProperties"));
        QVERIFY(item != nullptr);
        QVERIFY(item->isEnabled());
        item->trigger();
    }

private slots:
    void init() {
        TestServerProcess::Options options;
        options.user = QStringLiteral("brellow");
        options.password = QStringLiteral("Pa55word");
        options.version = QStringLiteral("8.00.760");
        options.lifetimeSeconds = 60;
        server = std::make_unique<TestServerProcess>(options);
        QVERIFY2(server->start(), qPrintable(server->errorString()));

        window.open();
        shownRows.clear();
        shownTitles.clear();
        modal.whileShown = [this](QDialog& dialog) {
            auto& resultsWindow = dynamic_cast<ResultsWindow&>(dialog);
            QStringList rows;
            for (int i = 0; i < resultsWindow.list()->count(); ++i) {
                rows.append(resultsWindow.list()->item(i)->text());
            }
            shownRows.append(rows);
            shownTitles.append(dialog.windowTitle());
        };
    }

    void cleanup() {
        window.close();
        server.reset();
    }

    void listsTheOpenConnectionsProperties() {
        enterLogin(QStringLiteral("Pa55word"));
        control<QLabel>("lblEdition")->setText(QStringLiteral("kept"));
        viewConnectionProperties();

        QVERIFY2(boxes.shown.isEmpty(), qPrintable(boxes.shown.value(0).text));
        QCOMPARE(modal.calls, 1);
        QCOMPARE(modal.lastOwner, window.mainWindow.get());
        QCOMPARE(shownTitles, QStringList{"Results"});
        const QStringList& rows = shownRows[0];
        QVERIFY(rows.size() > 5);
        QVERIFY2(rows.contains(QStringLiteral("Current Catalog\tmaster")),
                 qPrintable(rows.join('\n')));
        QVERIFY2(
            rows.filter(QRegularExpression(QStringLiteral("^DBMS Version\t0?8\\.00\\."))).size() ==
                1,
            qPrintable(rows.join('\n')));
        for (const QString& row : rows) {
            QVERIFY2(row.count(QLatin1Char('\t')) >= 1, qPrintable(row));
            QVERIFY2(!row.contains(QStringLiteral("Pa55word")), qPrintable(row));
        }
        // The labels are left as they were, and no hourglass was shown.
        QCOMPARE(control<QLabel>("lblEdition")->text(), QStringLiteral("kept"));
        QCOMPARE(pointer.history, QList<int>{1});
        // The listing sent no query of its own: handshake and login only.
        const QStringList lines = server->wireLogLines();
        QVERIFY2(lines.filter(QStringLiteral(" SQLBATCH ")).isEmpty(),
                 qPrintable(lines.join('\n')));
    }

    void listingAgainShowsOnlyTheNewRows() {
        enterLogin(QStringLiteral("Pa55word"));
        viewConnectionProperties();
        viewConnectionProperties();
        QCOMPARE(shownRows.size(), 2);
        QVERIFY(!shownRows[0].isEmpty());
        QCOMPARE(shownRows[1].size(), shownRows[0].size());
        QCOMPARE(shownRows[1].filter(QStringLiteral("Current Catalog\t")).size(), 1);
    }

    void aRefusedLoginShowsTheFixedMessageAndNoWindow() {
        enterLogin(QStringLiteral("wrong"));
        viewConnectionProperties();
        QCOMPARE(modal.calls, 0);
        window.verifyAccessDeniedBox();
    }
};

QTEST_MAIN(ConnectionPropertiesIntegrationTest)
#include "tst_connectionproperties_integration.moc"
