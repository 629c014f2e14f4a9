#include "ado/ErrorNumbers.h"
#include "mainwindow/MainWindow.h"
#include "results/ResultsWindow.h"
#include "support/FakeAppServices.h"
#include "support/WindowControls.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QtTest>
#include <algorithm>
#include <limits>

using brellow::ado::Variant;
using brellow::mainwindow::MainWindow;
using brellow::results::ResultsWindow;
using brellow::testsupport::FakeAppServices;
using brellow::testsupport::FakeComponent;
namespace errors = brellow::ado::errors;

// Tools, View Connection Properties, chosen in the main window, against the fake component.
class ViewConnectionPropertiesTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FakeAppServices> fakes;
    std::unique_ptr<MainWindow> window;
    FakeComponent* component = nullptr;
    brellow::testsupport::FakeMessageBoxService* boxes = nullptr;
    brellow::testsupport::FakeMousePointer* pointer = nullptr;
    brellow::testsupport::FakeModalPresenter* modal = nullptr;
    // What the list held while the window was up, one entry per showing.
    QList<QStringList> shownRows;

    void viewConnectionProperties() {
        window->findChild<QAction*>(QStringLiteral("mnuViewConnectionProperties"))->trigger();
    }

    QString label(const char* name) const {
        return brellow::testsupport::control<QLabel>(*window, name)->text();
    }

    static QStringList rowsOf(QDialog& dialog) {
        auto& resultsWindow = dynamic_cast<ResultsWindow&>(dialog);
        QStringList rows;
        for (int i = 0; i < resultsWindow.list()->count(); ++i) {
            rows.append(resultsWindow.list()->item(i)->text());
        }
        return rows;
    }

    static int resultWindowsAlive() {
        const QWidgetList widgets = QApplication::allWidgets();
        return int(std::count_if(widgets.begin(), widgets.end(), [](QWidget* w) {
            return w->objectName() == QStringLiteral("frmResults");
        }));
    }

private slots:
    void cleanup() { window.reset(); }

    void init() {
        fakes = std::make_unique<FakeAppServices>();
        component = &fakes->components;
        boxes = &fakes->messageBoxes;
        pointer = &fakes->mousePointer;
        modal = &fakes->modal;
        component->properties = {{"Current Catalog", Variant("master")},
                                 {"Packet Size", Variant(std::int32_t{4096})},
                                 {"Null Thing", Variant::null()},
                                 {"Empty Thing", Variant()},
                                 {"Encrypt", Variant(false)},
                                 {"Tabbed\tName", Variant("a\tb")}};
        window = std::make_unique<MainWindow>(fakes->services);
        brellow::testsupport::control<QLineEdit>(*window, "txtServer")->setText("srv");
        window->showAnswers({QStringLiteral("Standard Edition"), QStringLiteral("8.00.194"),
                             QStringLiteral("RTM")});
        shownRows.clear();
        modal->whileShown = [this](QDialog& dialog) {
            shownRows.append(rowsOf(dialog));
        };
    }

    void listsEveryPropertyInTheCollectionsOrder() {
        viewConnectionProperties();
        QCOMPARE(modal->calls, 1);
        QCOMPARE(modal->lastOwner, window.get());
        QCOMPARE(shownRows.size(), 1);
        QCOMPARE(shownRows[0],
                 (QStringList{"Current Catalog\tmaster", "Packet Size\t4096", "Null Thing\t",
                              "Empty Thing\t", "Encrypt\tFalse", "Tabbed\tName\ta\tb"}));
        QVERIFY(boxes->shown.isEmpty());
    }

    void readsTheCountOnceAndLooksEachPropertyUpAfresh() {
        component->properties.resize(2);
        viewConnectionProperties();
        std::vector<std::string> reads;
        for (const auto& call : component->calls) {
            if (call.rfind("Propert", 0) == 0 && call != "Properties") {
                reads.push_back(call);
            }
        }
        QCOMPARE(reads, (std::vector<std::string>{
                            "Properties.Count", "Properties.Item(0)", "Property[0].Name",
                            "Properties.Item(0)", "Property[0].Value", "Properties.Item(1)",
                            "Property[1].Name", "Properties.Item(1)", "Property[1].Value"}));
    }

    void noPropertiesStillShowsAnEmptyWindow() {
        component->properties.clear();
        viewConnectionProperties();
        QCOMPARE(modal->calls, 1);
        QCOMPARE(shownRows, (QList<QStringList>{QStringList{}}));
        QVERIFY(boxes->shown.isEmpty());
    }

    void aNegativeCountListsNothing() {
        component->reportedPropertyCount = std::numeric_limits<std::int32_t>::min();
        viewConnectionProperties();
        QCOMPARE(shownRows, (QList<QStringList>{QStringList{}}));
        QCOMPARE(component->countCalls("Properties.Item(0)"), 0);
    }

    void theConnectionStaysOpenWhileTheWindowIsShown() {
        int openWhileShown = -1;
        int closesWhileShown = -1;
        bool visibleWhileShown = false;
        modal->whileShown = [&](QDialog& dialog) {
            openWhileShown = component->openConnections;
            closesWhileShown = component->countCalls("Close");
            visibleWhileShown = dialog.isVisible();
        };
        viewConnectionProperties();
        QCOMPARE(openWhileShown, 1);
        QCOMPARE(closesWhileShown, 0);
        QVERIFY(visibleWhileShown);
        QCOMPARE(component->countCalls("Close"), 1);
        QCOMPARE(component->openConnections, 0);
        QCOMPARE(component->liveConnections, 0);
        QCOMPARE(component->liveRecordsets, 0);
        // The window is discarded once the command is over.
        QCOMPARE(resultWindowsAlive(), 0);
    }

    void aFailingPropertyShowsItsMessageAndNoWindow() {
        component->failPropertyAt = 2;
        component->failProperty =
            FakeComponent::error(errors::kItemNotFound, "Property could not be read");
        viewConnectionProperties();
        QCOMPARE(modal->calls, 0);
        QCOMPARE(boxes->shown.size(), 1);
        QCOMPARE(boxes->shown[0].text, QStringLiteral("Property could not be read"));
        QCOMPARE(boxes->shown[0].style, 0);
        QVERIFY(!boxes->shown[0].title.has_value());
        QCOMPARE(component->openConnections, 0);
        QCOMPARE(component->liveConnections, 0);
        QCOMPARE(resultWindowsAlive(), 0);

        // The half-filled window went with the failure: the next listing starts empty.
        component->failPropertyAt.reset();
        viewConnectionProperties();
        QCOMPARE(modal->calls, 1);
        QCOMPARE(shownRows.size(), 1);
        QCOMPARE(shownRows[0].size(), int(component->properties.size()));
        QCOMPARE(shownRows[0].first(), QStringLiteral("Current Catalog\tmaster"));
    }

    void aRefusedLoginShowsTheFixedMessageAndNoWindow() {
        component->failOpen = FakeComponent::error(errors::kFail, "Login failed for user 'sa'.");
        viewConnectionProperties();
        QCOMPARE(modal->calls, 0);
        QCOMPARE(boxes->shown.size(), 1);
        QCOMPARE(boxes->shown[0].title.value_or(QString()),
                 QStringLiteral("SQL Server Not Available/Access Denied"));
        QCOMPARE(boxes->shown[0].style, 16);
    }

    void aConnectionLeftClosedShowsNeitherWindowNorMessage() {
        component->stateAfterOpen = 0;
        viewConnectionProperties();
        QCOMPARE(modal->calls, 0);
        QVERIFY(boxes->shown.isEmpty());
        QCOMPARE(pointer->history, QList<int>{1});
    }

    void leavesTheLabelsAloneAndNeverShowsTheHourglass_data() {
        QTest::addColumn<QString>("outcome");
        QTest::newRow("listed") << "listed";
        QTest::newRow("refused") << "refused";
        QTest::newRow("failed property") << "property";
    }

    void leavesTheLabelsAloneAndNeverShowsTheHourglass() {
        QFETCH(QString, outcome);
        if (outcome == "refused") {
            component->failOpen = FakeComponent::error(errors::kFail, "refused");
        } else if (outcome == "property") {
            component->failPropertyAt = 0;
            component->failProperty = FakeComponent::error(errors::kItemNotFound, "gone");
        }
        viewConnectionProperties();
        QCOMPARE(label("lblEdition"), QStringLiteral("Standard Edition"));
        QCOMPARE(label("lblVersion"), QStringLiteral("8.00.194"));
        QCOMPARE(label("lblSPLevel"), QStringLiteral("RTM"));
        QCOMPARE(pointer->history, QList<int>{1});
    }

    void eachListingIsFresh() {
        viewConnectionProperties();
        component->properties = {{"DBMS Version", Variant("08.00.0194")}};
        viewConnectionProperties();
        QCOMPARE(shownRows.size(), 2);
        QCOMPARE(shownRows[1], QStringList{"DBMS Version\t08.00.0194"});
        QCOMPARE(component->connectionsCreated, 2);
    }
};

QTEST_MAIN(ViewConnectionPropertiesTest)
#include "tst_viewconnectionproperties.moc"
