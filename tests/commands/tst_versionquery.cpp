#include "ado/ErrorNumbers.h"
#include "commands/ServerCommand.h"
#include "commands/VersionQuery.h"
#include "support/FakeComponent.h"
#include "support/FakeMessageBoxService.h"
#include "support/FakeMousePointer.h"
#include "support/FakeServerWindow.h"

#include <QtTest>

using brellow::ado::Connection;
using brellow::ado::Recordset;
using brellow::ado::Variant;
using brellow::commands::ServerCommand;
using brellow::commands::VersionQuery;
using brellow::testsupport::FakeComponent;
using brellow::testsupport::FakeMessageBoxService;
using brellow::testsupport::FakeMousePointer;
using brellow::testsupport::FakeServerWindow;
namespace errors = brellow::ado::errors;

// Get Version Info as the main window runs it, against the fake component.
class VersionQueryTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FakeComponent> component;
    std::unique_ptr<FakeMessageBoxService> boxes;
    std::unique_ptr<FakeMousePointer> pointer;
    std::unique_ptr<FakeServerWindow> window;

    void getVersionInfo() {
        VersionQuery query(*window);
        ServerCommand(*component, *boxes, *pointer)
            .Run(*window, {.showBusyPointer = true, .clearServerInfo = true},
                 [&query](Connection& connection, std::unique_ptr<Recordset>& recordset) {
                     query.Run(connection, recordset);
                 });
    }

    QStringList labelWrites() const {
        QStringList writes;
        for (const QString& entry : window->log) {
            if (entry.contains(QLatin1Char('='))) {
                writes.append(entry);
            }
        }
        return writes;
    }

private slots:
    void init() {
        component = std::make_unique<FakeComponent>();
        component->row = {{"ProductVersion", Variant("8.00.2039")},
                          {"ProductLevel", Variant("SP4")},
                          {"Edition", Variant("Standard Edition")}};
        boxes = std::make_unique<FakeMessageBoxService>();
        pointer = std::make_unique<FakeMousePointer>();
        window = std::make_unique<FakeServerWindow>();
    }

    void sendsTheQueryByteForByte() {
        getVersionInfo();
        const std::string expected = "SELECT SERVERPROPERTY('productversion') as ProductVersion, "
                                     "SERVERPROPERTY('productlevel') as ProductLevel, "
                                     "SERVERPROPERTY ('edition') as Edition";
        QCOMPARE(component->executed, std::vector<std::string>{expected});
    }

    void fillsTheLabelsEditionFirst() {
        getVersionInfo();
        QCOMPARE(labelWrites(),
                 (QStringList{"Edition=Standard Edition", "Version=8.00.2039", "SPLevel=SP4"}));
        QCOMPARE(window->edition, QStringLiteral("Standard Edition"));
        QCOMPARE(window->version, QStringLiteral("8.00.2039"));
        QCOMPARE(window->spLevel, QStringLiteral("SP4"));
        QVERIFY(boxes->shown.isEmpty());
        QCOMPARE(pointer->history, (QList<int>{11, 1}));
        // Each field looked up by its name just before its value is read.
        std::vector<std::string> fieldCalls;
        for (const auto& call : component->calls) {
            if (call.rfind("Field ", 0) == 0 || call.rfind("Value ", 0) == 0) {
                fieldCalls.push_back(call);
            }
        }
        QCOMPARE(fieldCalls,
                 (std::vector<std::string>{"Field Edition", "Value Edition", "Field ProductVersion",
                                           "Value ProductVersion", "Field ProductLevel",
                                           "Value ProductLevel"}));
        QCOMPARE(component->CountCalls("Recordset.Close"), 1);
        QCOMPARE(component->liveRecordsets, 0);
        QCOMPARE(component->openConnections, 0);
    }

    void onlyARecordCountOfZeroLeavesTheLabels_data() {
        QTest::addColumn<std::int32_t>("count");
        QTest::addColumn<bool>("filled");
        QTest::newRow("not reported") << -1 << true;
        QTest::newRow("none") << 0 << false;
        QTest::newRow("one") << 1 << true;
        QTest::newRow("several") << 3 << true;
    }

    void onlyARecordCountOfZeroLeavesTheLabels() {
        QFETCH(std::int32_t, count);
        QFETCH(bool, filled);
        component->recordCount = count;
        getVersionInfo();
        QCOMPARE(labelWrites().size(), filled ? 3 : 0);
        QCOMPARE(window->version, filled ? QStringLiteral("8.00.2039") : QString());
        QCOMPARE(component->CountCalls("Recordset.Close"), 1);
        QVERIFY(boxes->shown.isEmpty());
    }

    void aNullStopsTheFillingWithItsDescription() {
        component->row["ProductVersion"] = Variant::Null();
        getVersionInfo();
        QCOMPARE(labelWrites(), QStringList{"Edition=Standard Edition"});
        QCOMPARE(window->spLevel, QString());
        QCOMPARE(boxes->shown.size(), 1);
        QCOMPARE(boxes->shown[0].text, QStringLiteral("Invalid use of Null"));
        QCOMPARE(boxes->shown[0].style, 0);
        QVERIFY(!boxes->shown[0].title.has_value());
        // The query's recordset is not closed by the step but released by the teardown.
        QCOMPARE(component->CountCalls("Recordset.Close"), 0);
        QCOMPARE(component->CountCalls("Release Recordset (open)"), 1);
        QCOMPARE(component->liveRecordsets, 0);
        QCOMPARE(component->openConnections, 0);
        QCOMPARE(pointer->Current(), 1);
    }

    void aRejectedQueryShowsTheServersTextAndLeavesTheLabelsEmpty() {
        window->edition = QStringLiteral("from before");
        const QString serverText =
            QStringLiteral("'SERVERPROPERTY' is not a recognized function name.");
        component->failExecute =
            FakeComponent::Error(errors::kCommandRejected, serverText.toStdString());
        getVersionInfo();
        QCOMPARE(boxes->shown.size(), 1);
        QCOMPARE(boxes->shown[0].text, serverText);
        QVERIFY(!boxes->shown[0].title.has_value());
        QCOMPARE(window->edition, QString());
        QVERIFY(labelWrites().isEmpty());
        QCOMPARE(component->CountCalls("Close"), 1);
        QCOMPARE(component->liveRecordsets, 0);
    }

    void anUnreachableServerLeavesTheLabelsEmptyAfterOneBox() {
        window->edition = QStringLiteral("e");
        window->version = QStringLiteral("v");
        window->spLevel = QStringLiteral("l");
        component->failOpen = FakeComponent::Error(errors::kFail, "[FreeTDS] Unable to connect");
        getVersionInfo();
        QCOMPARE(boxes->shown.size(), 1);
        QCOMPARE(boxes->shown[0].style, 16);
        QVERIFY(window->edition.isEmpty() && window->version.isEmpty() &&
                window->spLevel.isEmpty());
        QVERIFY(component->executed.empty());
        QCOMPARE(pointer->history, (QList<int>{11, 1}));
    }
};

QTEST_GUILESS_MAIN(VersionQueryTest)
#include "tst_versionquery.moc"
