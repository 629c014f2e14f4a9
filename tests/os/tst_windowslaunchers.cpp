// The Windows side of the About box's launchers against the real registry, file system and
// shell: built with mingw-w64 and run under Wine by ctest in the Windows build. No Qt;
// the registry value reading is the very source file the program uses. Every value it writes
// lies under a key of its own below HKEY_CURRENT_USER, removed at the end, so that it can
// never change or delete a real key, wherever it runs.
#include "about/RegistryValueReader.h"
#include "os/windows/Win32ProgramStarter.h"
#include "os/windows/Win32Registry.h"
#include "os/windows/Win32Shell.h"
#include "support/TestTally.h"

#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>
#include <windows.h>

using brellow::about::RegistryValueReader;
using brellow::os::ProgramStarter;
using brellow::os::Registry;
using brellow::os::Win32ProgramStarter;
using brellow::os::Win32Registry;
using brellow::os::Win32Shell;
using brellow::windowstest::TestTally;

namespace {

constexpr const char* kChildEventVariable = "BRELLOW_CHILD_EVENT";

Registry::Key keyOf(HKEY key) {
    return reinterpret_cast<Registry::Key>(key);
}

// A scratch key for one run, removed again at the end.
class ScratchKey {
public:
    ScratchKey(HKEY root, std::string path) : root_(root), path_(std::move(path)) {
        ::RegCreateKeyExA(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                          nullptr);
    }
    ~ScratchKey() {
        if (key_ != nullptr) {
            ::RegCloseKey(key_);
        }
        ::RegDeleteTreeA(root_, path_.c_str());
    }
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

    bool valid() const { return key_ != nullptr; }
    HKEY handle() const { return key_; }
    const std::string& path() const { return path_; }
    void set(const char* name, DWORD type, const void* data, DWORD size) const {
        ::RegSetValueExA(key_, name, 0, type, static_cast<const BYTE*>(data), size);
    }
    void setText(const char* name, const std::string& text, bool terminated) const {
        set(name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + (terminated ? 1 : 0)));
    }

private:
    HKEY root_;
    std::string path_;
    HKEY key_ = nullptr;
};

std::string read(const ScratchKey& scratch, HKEY root, const char* name, bool& found,
                 std::string entry = {}) {
    Win32Registry registry;
    RegistryValueReader reader(registry);
    found = reader.GetKeyValue(keyOf(root), scratch.path(), name, entry);
    return entry;
}

void registryValues(TestTally& tally) {
    const std::string path =
        "Software\\Brellow Launcher Test " + std::to_string(::GetCurrentProcessId());
    ScratchKey scratch(HKEY_CURRENT_USER, path);
    tally.check("scratch key created", scratch.valid());

    bool found = false;
    scratch.setText("Terminated", R"(C:\Program Files\Info\msinfo32.exe)", true);
    tally.equal("REG_SZ with its terminating zero",
                read(scratch, HKEY_CURRENT_USER, "Terminated", found),
                std::string(R"(C:\Program Files\Info\msinfo32.exe)"));
    tally.check("REG_SZ with its terminating zero is found", found);

    scratch.setText("Unterminated", "C:\\tools", false);
    {
        // The size the ANSI query reports for a text stored without its zero: Windows gives
        // the bytes stored, Wine adds a terminating zero.
        HKEY key = nullptr;
        DWORD size = 0;
        ::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key);
        ::RegQueryValueExA(key, "Unterminated", nullptr, nullptr, nullptr, &size);
        ::RegCloseKey(key);
        std::printf("  8 bytes stored without a zero are reported as %lu bytes\n",
                    static_cast<unsigned long>(size));
    }
    tally.equal("REG_SZ without a terminating zero",
                read(scratch, HKEY_CURRENT_USER, "Unterminated", found), std::string("C:\\tools"));

    const char inner[] = {'a', 'b', 0, 'c', 'd', 0};
    scratch.set("Inner", REG_SZ, inner, sizeof inner);
    tally.equal("REG_SZ with a zero inside", read(scratch, HKEY_CURRENT_USER, "Inner", found),
                std::string("ab\0cd", 5));

    const DWORD five = 5;
    scratch.set("Five", REG_DWORD, &five, sizeof five);
    tally.equal("REG_DWORD 5", read(scratch, HKEY_CURRENT_USER, "Five", found),
                std::string("&h005"));

    const DWORD big = 0x12345678;
    scratch.set("Big", REG_DWORD, &big, sizeof big);
    tally.equal("REG_DWORD 0x12345678", read(scratch, HKEY_CURRENT_USER, "Big", found),
                std::string("&h12345678"));

    const std::string expandable = "%SystemRoot%\\msinfo";
    scratch.set("Expand", REG_EXPAND_SZ, expandable.c_str(),
                static_cast<DWORD>(expandable.size() + 1));
    tally.equal("REG_EXPAND_SZ leaves the result as it was",
                read(scratch, HKEY_CURRENT_USER, "Expand", found, "before"), std::string("before"));
    tally.check("REG_EXPAND_SZ counts as read", found);

    const std::string fits(RegistryValueReader::kBufferSize - 1, 'f');
    scratch.setText("Fits", fits, true);
    tally.equal("1024 bytes with the zero fit", read(scratch, HKEY_CURRENT_USER, "Fits", found),
                fits);

    const std::string tooLong(RegistryValueReader::kBufferSize, 'x');
    scratch.setText("TooLong", tooLong, true);
    tally.equal("1025 bytes give an empty result",
                read(scratch, HKEY_CURRENT_USER, "TooLong", found, "before"), std::string());
    tally.check("1025 bytes count as missing", !found);

    const std::vector<char> huge(5000, 'y');
    scratch.set("Huge", REG_BINARY, huge.data(), static_cast<DWORD>(huge.size()));
    read(scratch, HKEY_CURRENT_USER, "Huge", found);
    tally.check("5000 bytes count as missing", !found);

    scratch.set("Empty", REG_SZ, "", 0);
    tally.equal("a value of size zero gives an empty result",
                read(scratch, HKEY_CURRENT_USER, "Empty", found, "before"), std::string());
    tally.check("a value of size zero counts as missing", !found);

    tally.equal("a missing value gives an empty result",
                read(scratch, HKEY_CURRENT_USER, "Nothing", found, "before"), std::string());
    tally.check("a missing value is not found", !found);

    {
        Win32Registry registry;
        RegistryValueReader reader(registry);
        std::string value = "before";
        tally.check(
            "a missing key is not found",
            !reader.GetKeyValue(keyOf(HKEY_CURRENT_USER), path + "\\No Such Key", "X", value));
        tally.equal("a missing key gives an empty result", value, std::string());
    }
    {
        // The handle variable of a failed open is 0; closing it must do no harm.
        Win32Registry registry;
        tally.check("closing the unset handle is refused, not fatal", registry.CloseKey(0) != 0);
    }
}

void systemInformationKey(TestTally& tally, const std::string& self) {
    // The tool's installer writes its path under HKEY_LOCAL_MACHINE. The test writes it under
    // a key of its own and has this process see that key as HKEY_LOCAL_MACHINE while it reads.
    const std::string path =
        "Software\\Brellow Launcher Test Machine " + std::to_string(::GetCurrentProcessId());
    ScratchKey machine(HKEY_CURRENT_USER, path);
    tally.check("stand-in machine key created", machine.valid());
    HKEY tool = nullptr;
    if (!machine.valid() ||
        ::RegCreateKeyExA(machine.handle(), R"(SOFTWARE\Microsoft\Shared Tools\MSINFO)", 0, nullptr,
                          0, KEY_ALL_ACCESS, nullptr, &tool, nullptr) != ERROR_SUCCESS) {
        tally.check("the tool's key created under the stand-in", false);
        return;
    }
    ::RegSetValueExA(tool, "PATH", 0, REG_SZ, reinterpret_cast<const BYTE*>(self.c_str()),
                     static_cast<DWORD>(self.size() + 1));
    ::RegCloseKey(tool);

    tally.check("HKEY_LOCAL_MACHINE stands for the test's key",
                ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine.handle()) == ERROR_SUCCESS);
    Win32Registry registry;
    RegistryValueReader reader(registry);
    std::string value;
    const bool found = reader.GetKeyValue(
        keyOf(HKEY_LOCAL_MACHINE), R"(SOFTWARE\Microsoft\Shared Tools\MSINFO)", "PATH", value);
    tally.check("HKEY_LOCAL_MACHINE is itself again",
                ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr) == ERROR_SUCCESS);
    tally.equal("the tool's path from HKEY_LOCAL_MACHINE", value, self);
    tally.check("the tool's path is found", found);

    std::string real;
    const bool inReal = reader.GetKeyValue(
        keyOf(HKEY_LOCAL_MACHINE), R"(SOFTWARE\Microsoft\Shared Tools\MSINFO)", "PATH", real);
    tally.check("the real HKEY_LOCAL_MACHINE holds nothing of the test's", !inReal || real != self);
}

// Starts `path` through `start` and reports whether the program signalled back.
bool startedAndSignalled(const std::string& path, const std::string& eventName,
                         const std::function<void()>& start) {
    HANDLE event = ::CreateEventA(nullptr, TRUE, FALSE, eventName.c_str());
    ::SetEnvironmentVariableA(kChildEventVariable, eventName.c_str());
    bool signalled = false;
    try {
        start();
        signalled = ::WaitForSingleObject(event, 30000) == WAIT_OBJECT_0;
    } catch (const std::exception& error) {
        std::printf("  %s could not be started: %s\n", path.c_str(), error.what());
    }
    ::SetEnvironmentVariableA(kChildEventVariable, nullptr);
    ::CloseHandle(event);
    return signalled;
}

std::string makeFolder(const std::string& path) {
    ::CreateDirectoryA(path.c_str(), nullptr);
    return path;
}

void writeFile(const std::string& path) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ::CloseHandle(file);
}

void programs(TestTally& tally, const std::string& self, const std::string& scratchFolder) {
    Win32ProgramStarter programs;

    const std::string folder = makeFolder(scratchFolder + "\\With Space");
    const std::string tool = folder + "\\MSINFO32.EXE";
    tally.check("copy of the test program", ::CopyFileA(self.c_str(), tool.c_str(), FALSE) != 0);
    tally.equal("an ordinary file is found by its name", programs.FindFile(tool),
                std::string("MSINFO32.EXE"));
    tally.equal("the file test takes a doubled backslash",
                programs.FindFile(folder + "\\\\MSINFO32.EXE"), std::string("MSINFO32.EXE"));
    tally.equal("a folder is no file", programs.FindFile(folder), std::string());
    tally.equal("a missing file is not found", programs.FindFile(folder + "\\missing.exe"),
                std::string());

    const std::string hidden = folder + "\\hidden.exe";
    writeFile(hidden);
    ::SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
    tally.equal("a hidden file does not count", programs.FindFile(hidden), std::string());
    const std::string system = folder + "\\system.exe";
    writeFile(system);
    ::SetFileAttributesA(system.c_str(), FILE_ATTRIBUTE_SYSTEM);
    tally.equal("a system file does not count", programs.FindFile(system), std::string());

    tally.check("a program in a folder with a space starts",
                startedAndSignalled(tool, "BrellowLauncherTestStart",
                                    [&] { programs.Start(tool, ProgramStarter::kNormalFocus); }));

    bool threw = false;
    try {
        programs.Start(folder + "\\missing.exe", ProgramStarter::kNormalFocus);
    } catch (const std::runtime_error&) {
        threw = true;
    }
    tally.check("a missing program raises an error", threw);
    threw = false;
    try {
        programs.Start(std::string(), ProgramStarter::kNormalFocus);
    } catch (const std::runtime_error&) {
        threw = true;
    }
    tally.check("the empty path raises an error", threw);
}

void shell(TestTally& tally, const std::string& self) {
    Win32Shell shell;

    const std::int32_t noHandler =
        shell.Execute(0, "open", "brellow-no-such-scheme://example", "", "", 1);
    const std::uint32_t noHandlerError = shell.LastError();
    std::printf("  scheme without a handler: result %d, last error %u\n", noHandler,
                noHandlerError);
    tally.check("a scheme without a handler fails below 32", noHandler < 32);
    tally.check("a scheme without a handler sets a last error", noHandlerError != 0);

    const std::int32_t missing = shell.Execute(0, "open", "C:\\no\\such\\document.txt", "", "", 1);
    const std::uint32_t missingError = shell.LastError();
    std::printf("  missing document: result %d, last error %u\n", missing, missingError);
    tally.check("a missing document fails below 32", missing < 32);

    std::int32_t opened = 0;
    tally.check("the shell opens a program",
                startedAndSignalled(self, "BrellowLauncherTestShell",
                                    [&] { opened = shell.Execute(0, "open", self, "", "", 1); }));
    tally.check("an accepted request returns 32 or more", opened >= 32);
}

// Run as a started program: tell the parent and end.
int childMain(const char* eventName) {
    HANDLE event = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, eventName);
    if (event == nullptr) {
        return 1;
    }
    ::SetEvent(event);
    ::CloseHandle(event);
    return 0;
}

} // namespace

int main() {
    char eventName[256] = {};
    if (::GetEnvironmentVariableA(kChildEventVariable, eventName, sizeof eventName) > 0) {
        return childMain(eventName);
    }

    char selfPath[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, selfPath, MAX_PATH);
    char tempPath[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, tempPath);
    const std::string scratchFolder = makeFolder(std::string(tempPath) + "brellow-launchers-" +
                                                 std::to_string(::GetCurrentProcessId()));

    TestTally tally;
    registryValues(tally);
    systemInformationKey(tally, selfPath);
    programs(tally, selfPath, scratchFolder);
    shell(tally, selfPath);
    return tally.finish();
}
