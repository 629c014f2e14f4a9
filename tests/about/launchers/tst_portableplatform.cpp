#include "about/RegistryValueReader.h"
#include "platform/PortableProgramStarter.h"
#include "platform/PortableRegistry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <stdexcept>

using brellow::about::RegistryValueReader;
using brellow::platform::PortableProgramStarter;
using brellow::platform::PortableRegistry;
using brellow::platform::ProgramStarter;
using brellow::platform::Registry;

namespace {

constexpr const char* kToolKey = R"(SOFTWARE\Microsoft\Shared Tools\MSINFO)";

void writeFile(const QString& path, const QByteArray& content, bool executable) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner;
    if (executable) {
        permissions |= QFile::ExeOwner;
    }
    QVERIFY(file.setPermissions(permissions));
}

std::string pathIn(const QTemporaryDir& dir, const QString& name) {
    return dir.filePath(name).toStdString();
}

} // namespace

class PortablePlatformTest : public QObject {
    Q_OBJECT

private slots:
    void namesTheFirstInstalledCandidate();
    void withoutACandidateTheKeyIsMissing();
    void looksForTheToolAtEachOpen();
    void refusesWriteRights();
    void answersLikeTheRegistryFunctions();
    void findsOrdinaryFilesOnly();
    void startsProgramsAndReportsThoseThatCannotStart();
};

void PortablePlatformTest::namesTheFirstInstalledCandidate() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    writeFile(dir.filePath("not-executable"), "data", false);
    writeFile(dir.filePath("second"), "#!/bin/sh\n", true);
    writeFile(dir.filePath("third"), "#!/bin/sh\n", true);
    QVERIFY(QDir(dir.path()).mkdir("folder"));
    PortableRegistry registry({pathIn(dir, "missing"), pathIn(dir, "not-executable"),
                               pathIn(dir, "folder"), pathIn(dir, "second"), pathIn(dir, "third")});
    RegistryValueReader reader(registry);
    std::string path;

    // Key and value names are case-insensitive, as in the registry.
    QVERIFY(reader.GetKeyValue(Registry::kLocalMachine, R"(software\microsoft\shared tools\msinfo)",
                               "Path", path));
    QCOMPARE(path, pathIn(dir, "second"));

    std::string folder;
    QVERIFY(!reader.GetKeyValue(Registry::kLocalMachine,
                                R"(SOFTWARE\Microsoft\Shared Tools Location)", "MSINFO", folder));
}

void PortablePlatformTest::withoutACandidateTheKeyIsMissing() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    PortableRegistry registry({pathIn(dir, "hardinfo")});
    Registry::Key key = 0;

    QCOMPARE(registry.OpenKeyEx(Registry::kLocalMachine, kToolKey, 0, Registry::kKeyRead, key),
             Registry::kFileNotFound);
    QCOMPARE(PortableRegistry(std::vector<std::string>{})
                 .OpenKeyEx(Registry::kLocalMachine, kToolKey, 0, Registry::kKeyRead, key),
             Registry::kFileNotFound);
}

void PortablePlatformTest::looksForTheToolAtEachOpen() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    PortableRegistry registry({pathIn(dir, "hardinfo")});
    RegistryValueReader reader(registry);
    std::string path;
    QVERIFY(!reader.GetKeyValue(Registry::kLocalMachine, kToolKey, "PATH", path));

    writeFile(dir.filePath("hardinfo"), "#!/bin/sh\n", true);
    QVERIFY(reader.GetKeyValue(Registry::kLocalMachine, kToolKey, "PATH", path));
    QCOMPARE(path, pathIn(dir, "hardinfo"));
}

void PortablePlatformTest::refusesWriteRights() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    writeFile(dir.filePath("tool"), "#!/bin/sh\n", true);
    PortableRegistry registry({pathIn(dir, "tool")});
    Registry::Key key = 0;

    QCOMPARE(registry.OpenKeyEx(Registry::kLocalMachine, kToolKey, 0, 0x2003F, key),
             Registry::kAccessDenied);
    QCOMPARE(key, Registry::Key{0});
    QCOMPARE(registry.OpenKeyEx(Registry::kLocalMachine, kToolKey, 0, Registry::kKeyRead, key),
             Registry::kSuccess);
    QCOMPARE(registry.CloseKey(key), Registry::kSuccess);
}

void PortablePlatformTest::answersLikeTheRegistryFunctions() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    writeFile(dir.filePath("tool"), "#!/bin/sh\n", true);
    const std::string tool = pathIn(dir, "tool");
    PortableRegistry registry({tool});

    Registry::Key other = 0;
    QCOMPARE(
        registry.OpenKeyEx(0x80000001 /* current user */, kToolKey, 0, Registry::kKeyRead, other),
        Registry::kFileNotFound);

    Registry::Key key = 0;
    QCOMPARE(registry.OpenKeyEx(Registry::kLocalMachine, kToolKey, 0, Registry::kKeyRead, key),
             Registry::kSuccess);
    std::uint32_t type = 0;
    std::vector<std::uint8_t> small(3);
    std::uint32_t size = static_cast<std::uint32_t>(small.size());
    QCOMPARE(registry.QueryValueEx(key, "PATH", type, small.data(), size), Registry::kMoreData);
    QCOMPARE(size, static_cast<std::uint32_t>(tool.size() + 1));

    std::vector<std::uint8_t> buffer(size);
    QCOMPARE(registry.QueryValueEx(key, "PATH", type, buffer.data(), size), Registry::kSuccess);
    QCOMPARE(type, Registry::kTypeSz);
    QCOMPARE(std::string(buffer.begin(), buffer.end() - 1), tool);
    QCOMPARE(buffer.back(), std::uint8_t{0});
    QCOMPARE(registry.QueryValueEx(key, "NOPE", type, buffer.data(), size),
             Registry::kFileNotFound);

    QCOMPARE(registry.CloseKey(key), Registry::kSuccess);
    // A closed handle is no longer valid, and closing twice is an error.
    QVERIFY(registry.QueryValueEx(key, "PATH", type, buffer.data(), size) != Registry::kSuccess);
    QVERIFY(registry.CloseKey(key) != Registry::kSuccess);
    QVERIFY(registry.CloseKey(0) != Registry::kSuccess);

    // Handles are reused rather than piling up over many clicks.
    Registry::Key again = 0;
    QCOMPARE(registry.OpenKeyEx(Registry::kLocalMachine, kToolKey, 0, Registry::kKeyRead, again),
             Registry::kSuccess);
    QCOMPARE(again, key);
    QCOMPARE(registry.CloseKey(again), Registry::kSuccess);
}

void PortablePlatformTest::findsOrdinaryFilesOnly() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    writeFile(dir.filePath("MSINFO32.EXE"), "x", false);
    writeFile(dir.filePath(".hidden"), "x", false);
    QVERIFY(QDir(dir.path()).mkdir("folder"));
    PortableProgramStarter files;

    QCOMPARE(files.FindFile(pathIn(dir, "MSINFO32.EXE")), std::string("MSINFO32.EXE"));
    QCOMPARE(files.FindFile(pathIn(dir, ".hidden")), std::string());
    QCOMPARE(files.FindFile(pathIn(dir, "folder")), std::string());
    QCOMPARE(files.FindFile(pathIn(dir, "missing")), std::string());
    QCOMPARE(files.FindFile(std::string()), std::string());
    // A zero byte would cut the path short at the system: here it names nothing.
    std::string cut = pathIn(dir, "MSINFO32.EXE");
    cut.push_back('\0');
    cut += "junk";
    QCOMPARE(files.FindFile(cut), std::string());
}

void PortablePlatformTest::startsProgramsAndReportsThoseThatCannotStart() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString marker = dir.filePath("started");
    writeFile(dir.filePath("tool"), "#!/bin/sh\necho started > '" + marker.toUtf8() + "'\n", true);
    writeFile(dir.filePath("plain"), "not a program", false);
    PortableProgramStarter programs;

    programs.Start(pathIn(dir, "tool"), ProgramStarter::kNormalFocus);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 10000);

    QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                             programs.Start(pathIn(dir, "missing"), ProgramStarter::kNormalFocus));
    QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                             programs.Start(pathIn(dir, "plain"), ProgramStarter::kNormalFocus));
    QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                             programs.Start(std::string(), ProgramStarter::kNormalFocus));
    std::string cut = pathIn(dir, "tool");
    cut.push_back('\0');
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, programs.Start(cut, ProgramStarter::kNormalFocus));
}

QTEST_GUILESS_MAIN(PortablePlatformTest)
#include "tst_portableplatform.moc"
