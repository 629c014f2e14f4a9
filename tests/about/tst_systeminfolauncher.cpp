#include "about/SystemInfoLauncher.h"
#include "support/FakeMessageBoxService.h"
#include "support/FakeProgramStarter.h"
#include "support/FakeRegistry.h"

#include <QTest>

using brellow::about::SystemInfoLauncher;
using brellow::os::ProgramStarter;
using brellow::os::Registry;
using brellow::testsupport::FakeMessageBoxService;
using brellow::testsupport::FakeProgramStarter;
using brellow::testsupport::FakeRegistry;
using brellow::uiservices::MessageBoxService;

namespace {

constexpr const char* kTool =
    R"(C:\Program Files\Common Files\Microsoft Shared\MSInfo\msinfo32.exe)";
constexpr const char* kFolder = R"(C:\Program Files\Common Files\Microsoft Shared\MSInfo)";

struct Rig {
    FakeRegistry registry;
    FakeProgramStarter programs;
    FakeMessageBoxService messages;
    SystemInfoLauncher launcher{registry, programs, messages};

    void setPath(FakeRegistry::Value value) {
        registry.Set(SystemInfoLauncher::kToolKey, SystemInfoLauncher::kToolValue,
                     std::move(value));
    }
    void setFolder(FakeRegistry::Value value) {
        registry.Set(SystemInfoLauncher::kFolderKey, SystemInfoLauncher::kFolderValue,
                     std::move(value));
    }
    bool folderKeyOpened() const {
        return std::find(registry.openedKeys.begin(), registry.openedKeys.end(),
                         SystemInfoLauncher::kFolderKey) != registry.openedKeys.end();
    }
};

void verifyUnavailableShownOnce(const FakeMessageBoxService& messages) {
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown.front().text,
             QStringLiteral("System Information Is Unavailable At This Time"));
    QCOMPARE(messages.shown.front().style, MessageBoxService::kOkOnly);
    QVERIFY(!messages.shown.front().title.has_value());
}

} // namespace

class SystemInfoLauncherTest : public QObject {
    Q_OBJECT

private slots:
    void startsTheToolNamedFirstAndLooksNoFurther();
    void aFirstPathThatCannotStartEndsInTheMessage();
    void startsFromTheFolderWhenTheFirstKeyIsMissing_data();
    void startsFromTheFolderWhenTheFirstKeyIsMissing();
    void aFolderWithoutTheToolEndsInTheMessage();
    void nothingFoundEndsInTheMessage();
    void aValueOfAnotherTypeLeavesTheSearchWithAnEmptyPath();
    void anEmptyFirstValueCountsAsMissing();
    void eachClickLooksAgain();
};

void SystemInfoLauncherTest::startsTheToolNamedFirstAndLooksNoFurther() {
    Rig rig;
    rig.setPath(FakeRegistry::Text(kTool));
    rig.setFolder(FakeRegistry::Text(kFolder));
    rig.programs.files = {kTool};

    rig.launcher.StartSysInfo();

    QCOMPARE(rig.programs.started.size(), std::size_t{1});
    QCOMPARE(rig.programs.started.front().path, std::string(kTool));
    QCOMPARE(rig.programs.started.front().windowStyle, ProgramStarter::kNormalFocus);
    QVERIFY(!rig.folderKeyOpened());
    QVERIFY(rig.programs.findCalls.empty());
    QVERIFY(rig.messages.shown.isEmpty());
    QCOMPARE(rig.registry.openHandles, 0);
}

void SystemInfoLauncherTest::aFirstPathThatCannotStartEndsInTheMessage() {
    Rig rig;
    rig.setPath(FakeRegistry::Text(R"(C:\gone\msinfo32.exe)"));
    rig.setFolder(FakeRegistry::Text(kFolder));
    rig.programs.files = {std::string(kFolder) + SystemInfoLauncher::kToolFile};

    rig.launcher.StartSysInfo();

    QCOMPARE(rig.programs.startAttempts.size(), std::size_t{1});
    QCOMPARE(rig.programs.startAttempts.front().path, std::string(R"(C:\gone\msinfo32.exe)"));
    QVERIFY(rig.programs.started.empty());
    QVERIFY(!rig.folderKeyOpened());
    verifyUnavailableShownOnce(rig.messages);
}

void SystemInfoLauncherTest::startsFromTheFolderWhenTheFirstKeyIsMissing_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("tool");

    QTest::newRow("folder as written") << QString(kFolder) << QString(kFolder) + R"(\MSINFO32.EXE)";
    QTest::newRow("a trailing backslash is doubled, not mended") << R"(D:\Tools\)"
                                                                 << R"(D:\Tools\\MSINFO32.EXE)";
}

void SystemInfoLauncherTest::startsFromTheFolderWhenTheFirstKeyIsMissing() {
    QFETCH(QString, folder);
    QFETCH(QString, tool);

    Rig rig;
    rig.setFolder(FakeRegistry::Text(folder.toStdString()));
    rig.programs.files = {tool.toStdString()};

    rig.launcher.StartSysInfo();

    QCOMPARE(rig.programs.findCalls, std::vector<std::string>{tool.toStdString()});
    QCOMPARE(rig.programs.started.size(), std::size_t{1});
    QCOMPARE(QString::fromStdString(rig.programs.started.front().path), tool);
    QCOMPARE(rig.programs.started.front().windowStyle, ProgramStarter::kNormalFocus);
    QVERIFY(rig.messages.shown.isEmpty());
    QCOMPARE(rig.registry.openHandles, 0);
}

void SystemInfoLauncherTest::aFolderWithoutTheToolEndsInTheMessage() {
    Rig rig;
    rig.setFolder(FakeRegistry::Text(kFolder));

    rig.launcher.StartSysInfo();

    QCOMPARE(rig.programs.findCalls.size(), std::size_t{1});
    QVERIFY(rig.programs.startAttempts.empty());
    verifyUnavailableShownOnce(rig.messages);
}

void SystemInfoLauncherTest::nothingFoundEndsInTheMessage() {
    Rig rig;
    // The first key exists without its value; the second does not exist at all.
    rig.registry.AddKey(SystemInfoLauncher::kToolKey);

    rig.launcher.StartSysInfo();

    QCOMPARE(rig.registry.queriedValues, std::vector<std::string>{"PATH"});
    QVERIFY(rig.folderKeyOpened());
    QVERIFY(rig.programs.findCalls.empty());
    QVERIFY(rig.programs.startAttempts.empty());
    verifyUnavailableShownOnce(rig.messages);
    QCOMPARE(rig.registry.openHandles, 0);
}

void SystemInfoLauncherTest::aValueOfAnotherTypeLeavesTheSearchWithAnEmptyPath() {
    const FakeRegistry::Value expandable{Registry::kTypeExpandSz, {'%', 'P', '%', '\\', 'x', 0}};
    {
        // From the first location: the empty path is started, which fails.
        Rig rig;
        rig.setPath(expandable);
        rig.setFolder(FakeRegistry::Text(kFolder));
        rig.programs.files = {std::string(kFolder) + SystemInfoLauncher::kToolFile};

        rig.launcher.StartSysInfo();

        QCOMPARE(rig.programs.startAttempts.size(), std::size_t{1});
        QCOMPARE(rig.programs.startAttempts.front().path, std::string());
        QVERIFY(!rig.folderKeyOpened());
        verifyUnavailableShownOnce(rig.messages);
    }
    {
        // From the second: the file test looks in the root.
        Rig rig;
        rig.setFolder(expandable);
        rig.programs.files = {SystemInfoLauncher::kToolFile};

        rig.launcher.StartSysInfo();

        QCOMPARE(rig.programs.findCalls, std::vector<std::string>{R"(\MSINFO32.EXE)"});
        QCOMPARE(rig.programs.started.size(), std::size_t{1});
        QCOMPARE(rig.programs.started.front().path, std::string(R"(\MSINFO32.EXE)"));
        QVERIFY(rig.messages.shown.isEmpty());
    }
}

void SystemInfoLauncherTest::anEmptyFirstValueCountsAsMissing() {
    {
        Rig rig;
        rig.setPath(FakeRegistry::Value{Registry::kTypeSz, {}});

        rig.launcher.StartSysInfo();

        QVERIFY(rig.programs.startAttempts.empty());
        verifyUnavailableShownOnce(rig.messages);
        QCOMPARE(rig.registry.openHandles, 0);
    }
    {
        // Like any missing value, it gives the second location its turn.
        Rig rig;
        rig.setPath(FakeRegistry::Value{Registry::kTypeSz, {}});
        rig.setFolder(FakeRegistry::Text(kFolder));
        const std::string tool = std::string(kFolder) + SystemInfoLauncher::kToolFile;
        rig.programs.files = {tool};

        rig.launcher.StartSysInfo();

        QCOMPARE(rig.programs.started.size(), std::size_t{1});
        QCOMPARE(rig.programs.started.front().path, tool);
        QVERIFY(rig.messages.shown.isEmpty());
    }
}

void SystemInfoLauncherTest::eachClickLooksAgain() {
    Rig rig;
    rig.launcher.StartSysInfo();
    verifyUnavailableShownOnce(rig.messages);

    // Installed between two clicks: the second click finds it.
    rig.setPath(FakeRegistry::Text(kTool));
    rig.programs.files = {kTool};
    rig.launcher.StartSysInfo();

    QCOMPARE(rig.messages.shown.size(), 1);
    QCOMPARE(rig.programs.started.size(), std::size_t{1});
    QCOMPARE(rig.programs.started.front().path, std::string(kTool));
}

QTEST_GUILESS_MAIN(SystemInfoLauncherTest)
#include "tst_systeminfolauncher.moc"
