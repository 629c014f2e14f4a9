// The Windows desktop against the real registry, file system and shell: built with mingw-w64
// and run under Wine by ctest in the Windows build. Every value it writes lies under a key of
// its own below HKEY_CURRENT_USER, removed at the end, so that it can never change or delete a
// real key, wherever it runs. The programs it starts are itself, run again with an event name
// in its environment: it then only signals that event and ends.
#include "windows/RegistryValueReader.h"
#include "windows/WindowsDesktop.h"

#include <QCoreApplication>
#include <QtTest>
#include <string>
#include <vector>

using brellow::os::RegistryValueReader;
using brellow::os::WindowsDesktop;

namespace {

constexpr const char* kChildEventVariable = "BRELLOW_CHILD_EVENT";

// A scratch key for one run, removed again at the end.
class ScratchKey {
public:
    explicit ScratchKey(std::string path) : path_(std::move(path)) {
        ::RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &key_, nullptr);
    }
    ~ScratchKey() {
        if (key_ != nullptr) {
            ::RegCloseKey(key_);
        }
        ::RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    }
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

    bool valid() const { return key_ != nullptr; }
    const std::string& path() const { return path_; }
    void set(const std::string& subKey, const char* name, DWORD type,
             const std::vector<char>& data) const {
        HKEY key = nullptr;
        ::RegCreateKeyExA(key_, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                          nullptr);
        ::RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                         static_cast<DWORD>(data.size()));
        ::RegCloseKey(key);
    }

private:
    std::string path_;
    HKEY key_ = nullptr;
};

std::vector<char> bytes(const std::string& text, bool terminated = true) {
    std::vector<char> data(text.begin(), text.end());
    if (terminated) {
        data.push_back('\0');
    }
    return data;
}

std::vector<char> dword(DWORD value) {
    const auto* raw = reinterpret_cast<const char*>(&value);
    return std::vector<char>(raw, raw + sizeof value);
}

std::string scratchName(const char* what) {
    return std::string("Software\\Brellow Desktop Test ") + what + " " +
           std::to_string(::GetCurrentProcessId());
}

std::string selfPath() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

// A folder of its own under the temporary folder.
std::string scratchFolder(const char* name) {
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "brellow-desktop-" +
                               std::to_string(::GetCurrentProcessId()) + "\\" + name;
    ::CreateDirectoryA(
        (std::string(temp) + "brellow-desktop-" + std::to_string(::GetCurrentProcessId())).c_str(),
        nullptr);
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void writeFile(const std::string& path, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ::CloseHandle(file);
    ::SetFileAttributesA(path.c_str(), attributes);
}

// Runs `start` and says whether a copy of this program it started signalled back (within 30 s).
template <class Start> bool startsAProgram(const char* eventName, Start start) {
    HANDLE event = ::CreateEventA(nullptr, TRUE, FALSE, eventName);
    ::SetEnvironmentVariableA(kChildEventVariable, eventName);
    const bool accepted = start();
    const bool signalled = accepted && ::WaitForSingleObject(event, 30000) == WAIT_OBJECT_0;
    ::SetEnvironmentVariableA(kChildEventVariable, nullptr);
    ::CloseHandle(event);
    return signalled;
}

} // namespace

class WindowsDesktopTest : public QObject {
    Q_OBJECT

private slots:
    void readsRegistryValuesAsTheAboutBoxAlwaysHas_data();
    void readsRegistryValuesAsTheAboutBoxAlwaysHas();
    void aMissingKeyEmptiesTheResult();
    void findsOrdinaryFilesOnly();
    void startsAProgramInAFolderWithASpace();
    void refusesToStartWhatIsNoProgram();
    void systemInformationFromEitherRegistryLocation_data();
    void systemInformationFromEitherRegistryLocation();
    void theShellOpensWhatItCanAndNumbersWhatItCannot();
};

void WindowsDesktopTest::readsRegistryValuesAsTheAboutBoxAlwaysHas_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QByteArray>("read");
    const auto row = [](const char* tag, DWORD type, const std::vector<char>& stored,
                        const char* before, bool found, const QByteArray& read) {
        QTest::newRow(tag) << int(type) << QByteArray(stored.data(), qsizetype(stored.size()))
                           << QByteArray(before) << found << read;
    };
    row("REG_SZ with its terminating zero", REG_SZ, bytes(R"(C:\Program Files\Info\msinfo32.exe)"),
        "", true, R"(C:\Program Files\Info\msinfo32.exe)");
    row("REG_SZ without a terminating zero", REG_SZ, bytes("C:\\tools", false), "", true,
        "C:\\tools");
    row("REG_SZ with a zero inside", REG_SZ, {'a', 'b', 0, 'c', 'd', 0}, "", true,
        QByteArray("ab\0cd", 5));
    row("REG_DWORD 5, its zero top byte trimmed", REG_DWORD, dword(5), "", true, "&h005");
    row("REG_DWORD 0x12345678", REG_DWORD, dword(0x12345678), "", true, "&h12345678");
    // Each byte without its leading zero: 0x0A is "A".
    row("REG_DWORD digits after what the result held", REG_DWORD, dword(0x0A0B0C0D), "x", true,
        "&hxABCD");
    row("REG_EXPAND_SZ leaves the result as it was", REG_EXPAND_SZ, bytes("%SystemRoot%\\msinfo"),
        "before", true, "before");
    row("1024 bytes with the zero fit", REG_SZ, bytes(std::string(1023, 'f')), "", true,
        QByteArray(1023, 'f'));
    row("1025 bytes count as missing", REG_SZ, bytes(std::string(1024, 'x')), "before", false, "");
    row("5000 bytes count as missing", REG_BINARY, std::vector<char>(5000, 'y'), "before", false,
        "");
    row("a value of size zero counts as missing", REG_SZ, {}, "before", false, "");
}

void WindowsDesktopTest::readsRegistryValuesAsTheAboutBoxAlwaysHas() {
    QFETCH(int, type);
    QFETCH(QByteArray, stored);
    QFETCH(QByteArray, before);
    QFETCH(bool, found);
    QFETCH(QByteArray, read);
    const ScratchKey scratch(scratchName("Values"));
    QVERIFY(scratch.valid());
    scratch.set("", "Value", static_cast<DWORD>(type),
                std::vector<char>(stored.begin(), stored.end()));

    std::string value = before.toStdString();
    QCOMPARE(RegistryValueReader::getKeyValue(HKEY_CURRENT_USER, scratch.path(), "Value", value),
             found);
    QCOMPARE(QByteArray(value.data(), qsizetype(value.size())), read);
}

void WindowsDesktopTest::aMissingKeyEmptiesTheResult() {
    const ScratchKey scratch(scratchName("Missing"));
    QVERIFY(scratch.valid());
    std::string value = "before";
    QVERIFY(!RegistryValueReader::getKeyValue(HKEY_CURRENT_USER, scratch.path(), "Nothing", value));
    QCOMPARE(value, std::string());
    value = "before";
    QVERIFY(!RegistryValueReader::getKeyValue(HKEY_CURRENT_USER, scratch.path() + "\\No Such Key",
                                              "X", value));
    QCOMPARE(value, std::string());
}

void WindowsDesktopTest::findsOrdinaryFilesOnly() {
    const std::string folder = scratchFolder("Files With Space");
    const std::string tool = folder + "\\MSINFO32.EXE";
    writeFile(tool);
    writeFile(folder + "\\hidden.exe", FILE_ATTRIBUTE_HIDDEN);
    writeFile(folder + "\\system.exe", FILE_ATTRIBUTE_SYSTEM);

    QCOMPARE(WindowsDesktop::findFile(tool), std::string("MSINFO32.EXE"));
    // A folder written with a trailing backslash doubles the one before the name.
    QCOMPARE(WindowsDesktop::findFile(folder + "\\\\MSINFO32.EXE"), std::string("MSINFO32.EXE"));
    QCOMPARE(WindowsDesktop::findFile(folder), std::string());
    QCOMPARE(WindowsDesktop::findFile(folder + "\\missing.exe"), std::string());
    QCOMPARE(WindowsDesktop::findFile(folder + "\\hidden.exe"), std::string());
    QCOMPARE(WindowsDesktop::findFile(folder + "\\system.exe"), std::string());
    QCOMPARE(WindowsDesktop::findFile(std::string(tool + '\0' + "x")), std::string());
}

void WindowsDesktopTest::startsAProgramInAFolderWithASpace() {
    const std::string tool = scratchFolder("With Space") + "\\MSINFO32.EXE";
    QVERIFY(::CopyFileA(selfPath().c_str(), tool.c_str(), FALSE) != 0);
    QVERIFY(startsAProgram("BrellowDesktopTestStart", [&] { return WindowsDesktop::start(tool); }));
}

void WindowsDesktopTest::refusesToStartWhatIsNoProgram() {
    const std::string folder = scratchFolder("Nothing To Start");
    QVERIFY(!WindowsDesktop::start(folder + "\\missing.exe"));
    QVERIFY(!WindowsDesktop::start(std::string()));
    QVERIFY(!WindowsDesktop::start(folder));
}

void WindowsDesktopTest::systemInformationFromEitherRegistryLocation_data() {
    QTest::addColumn<QString>("pathValue");
    QTest::addColumn<QString>("folderValue");
    QTest::addColumn<bool>("toolInFolder");
    QTest::addColumn<bool>("started");
    // "SELF" stands for this program, "FOLDER" for the folder the tool may be copied into.
    QTest::newRow("the path, the folder not looked at") << "SELF"
                                                        << "" << false << true;
    QTest::newRow("a path that names nothing: the folder is not tried")
        << "SELF-missing.exe"
        << "FOLDER" << true << false;
    QTest::newRow("no path: the tool in the folder") << ""
                                                     << "FOLDER" << true << true;
    QTest::newRow("no path: the folder with a trailing backslash") << ""
                                                                   << "FOLDER\\" << true << true;
    QTest::newRow("no path: a folder without the tool") << ""
                                                        << "FOLDER" << false << false;
    QTest::newRow("neither") << ""
                             << "" << false << false;
}

void WindowsDesktopTest::systemInformationFromEitherRegistryLocation() {
    QFETCH(QString, pathValue);
    QFETCH(QString, folderValue);
    QFETCH(bool, toolInFolder);
    QFETCH(bool, started);
    const ScratchKey machine(scratchName("Machine"));
    QVERIFY(machine.valid());
    static int run = 0;
    const std::string folder = scratchFolder(("SysInfo " + std::to_string(++run)).c_str());
    if (toolInFolder) {
        QVERIFY(::CopyFileA(selfPath().c_str(), (folder + "\\MSINFO32.EXE").c_str(), FALSE) != 0);
    }
    const auto expand = [&](QString value) {
        value.replace(QLatin1String("SELF"), QString::fromStdString(selfPath()));
        value.replace(QLatin1String("FOLDER"), QString::fromStdString(folder));
        return value.toStdString();
    };
    // The Part's two locations, under the scratch key instead of the machine's own.
    WindowsDesktop::Locations locations;
    locations.root = HKEY_CURRENT_USER;
    locations.toolKey = machine.path() + "\\" + locations.toolKey;
    locations.folderKey = machine.path() + "\\" + locations.folderKey;
    if (!pathValue.isEmpty()) {
        machine.set(R"(SOFTWARE\Microsoft\Shared Tools\MSINFO)", "PATH", REG_SZ,
                    bytes(expand(pathValue)));
    }
    if (!folderValue.isEmpty()) {
        machine.set(R"(SOFTWARE\Microsoft\Shared Tools Location)", "MSINFO", REG_SZ,
                    bytes(expand(folderValue)));
    }
    WindowsDesktop desktop(locations);
    if (started) {
        QVERIFY(startsAProgram("BrellowDesktopTestSysInfo",
                               [&] { return desktop.startSystemInformation(); }));
    } else {
        QVERIFY(!desktop.startSystemInformation());
    }
}

void WindowsDesktopTest::theShellOpensWhatItCanAndNumbersWhatItCannot() {
    WindowsDesktop desktop;
    const std::optional<std::uint32_t> noHandler =
        desktop.openWebAddress("brellow-no-such-scheme://example", 0);
    QVERIFY(noHandler.has_value());
    QVERIFY(*noHandler != 0);
    QVERIFY(desktop.openWebAddress("C:\\no\\such\\document.txt", 0).has_value());
    // A program is a document the shell opens by starting it.
    const std::string self = selfPath();
    QVERIFY(startsAProgram("BrellowDesktopTestShell",
                           [&] { return !desktop.openWebAddress(self, 0).has_value(); }));
}

int main(int argc, char** argv) {
    // Started by a test: tell it so, and end.
    char eventName[256] = {};
    if (::GetEnvironmentVariableA(kChildEventVariable, eventName, sizeof eventName) > 0) {
        HANDLE event = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, eventName);
        if (event == nullptr) {
            return 1;
        }
        ::SetEvent(event);
        ::CloseHandle(event);
        return 0;
    }
    QCoreApplication application(argc, argv);
    WindowsDesktopTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_windowsdesktop.moc"
