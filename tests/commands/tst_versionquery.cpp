#include "ado/ErrorNumbers.h"
#include "commands/GetVersionInfo.h"
#include "support/FakeComponent.h"
#include "support/FakeMessageBoxService.h"
#include "support/FakeMousePointer.h"

#include <QtTest>

using brellow::ado::Variant;
using brellow::commands::ConnectionRequest;
using brellow::commands::GetVersionInfo;
using brellow::commands::ServerAnswers;
using brellow::commands::ServerCommand;
using brellow::testsupport::FakeComponent;
using brellow::testsupport::FakeMessageBoxService;
using brellow::testsupport::FakeMousePointer;
namespace errors = brellow::ado::errors;

// Get Version Info against the fake component, as the main window gives it.
class VersionQueryTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FakeComponent> component;
    std::unique_ptr<FakeMessageBoxService> boxes;
    std::unique_ptr<FakeMousePointer> pointer;
    // What the command gave the window, each time, and how many message boxes had been shown
    // by then.
    QList<ServerAnswers> given;
    QList<qsizetype> boxesBeforeGiven;

    void getVersionInfo() {
        ServerCommand procedure(*component, *boxes, *pointer);
        GetVersionInfo(procedure).run(ConnectionRequest{QStringLiteral("srv"), false,
                                                        QStringLiteral("sa"), QStringLiteral("pw")},
                                      [this](const ServerAnswers& answers) {
                                          given.append(answers);
                                          boxesBeforeGiven.append(boxes->shown.size());
                                      });
    }

    // The answers as a window fills its fields: edition first, up to the first one missing.
    QStringList labelWrites() const {
        QStringList writes;
        if (given.isEmpty()) {
            return writes;
        }
        const ServerAnswers& answers = given.last();
        const std::pair<const char*, const std::optional<QString>&> fields[] = {
            {"Edition", answers.edition}, {"Version", answers.version}, {"SPLevel", answers.level}};
        for (const auto& [name, answer] : fields) {
            if (!answer) {
                break;
            }
            writes.append(QLatin1String(name) + QLatin1Char('=') + *answer);
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
        given.clear();
        boxesBeforeGiven.clear();
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
        // Given once, all three.
        QCOMPARE(given.size(), 1);
        QCOMPARE(labelWrites(),
                 (QStringList{"Edition=Standard Edition", "Version=8.00.2039", "SPLevel=SP4"}));
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
        QCOMPARE(component->countCalls("Recordset.Close"), 1);
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
        QCOMPARE(component->countCalls("Recordset.Close"), 1);
        QVERIFY(boxes->shown.isEmpty());
    }

    void aNullStopsTheFillingWithItsDescription() {
        component->row["ProductVersion"] = Variant::null();
        getVersionInfo();
        QCOMPARE(labelWrites(), QStringList{"Edition=Standard Edition"});
        // The edition shows before the failure's box does.
        QCOMPARE(boxesBeforeGiven, QList<qsizetype>{0});
        QCOMPARE(boxes->shown.size(), 1);
        QCOMPARE(boxes->shown[0].text, QStringLiteral("Invalid use of Null"));
        QCOMPARE(boxes->shown[0].style, 0);
        QVERIFY(!boxes->shown[0].title.has_value());
        // The query's recordset is not closed by the step but released by the teardown.
        QCOMPARE(component->countCalls("Recordset.Close"), 0);
        QCOMPARE(component->countCalls("Release Recordset (open)"), 1);
        QCOMPARE(component->liveRecordsets, 0);
        QCOMPARE(component->openConnections, 0);
        QCOMPARE(pointer->current(), 1);
    }

    void aRejectedQueryShowsTheServersTextAndGivesNoAnswer() {
        const QString serverText =
            QStringLiteral("'SERVERPROPERTY' is not a recognized function name.");
        component->failExecute =
            FakeComponent::error(errors::kCommandRejected, serverText.toStdString());
        getVersionInfo();
        QCOMPARE(boxes->shown.size(), 1);
        QCOMPARE(boxes->shown[0].text, serverText);
        QVERIFY(!boxes->shown[0].title.has_value());
        QVERIFY(labelWrites().isEmpty());
        QCOMPARE(component->countCalls("Close"), 1);
        QCOMPARE(component->liveRecordsets, 0);
    }

    void anUnreachableServerGivesNothingAfterOneBox() {
        component->failOpen = FakeComponent::error(errors::kFail, "[FreeTDS] Unable to connect");
        getVersionInfo();
        QCOMPARE(boxes->shown.size(), 1);
        QCOMPARE(boxes->shown[0].style, 16);
        QVERIFY(given.isEmpty());
        QVERIFY(component->executed.empty());
        QCOMPARE(pointer->history, (QList<int>{11, 1}));
    }
};

QTEST_GUILESS_MAIN(VersionQueryTest)
#include "tst_versionquery.moc"
