#include "about/RegistryValueReader.h"
#include "os/linux/CommandLine.h"
#include "os/linux/PortableProgramStarter.h"
#include "os/linux/PortableRegistry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <stdexcept>

using brellow::about::RegistryValueReader;
using brellow::os::CommandLine;
using brellow::os::PortableProgramStarter;
using brellow::os::PortableRegistry;
using brellow::os::ProgramStarter;
using brellow::os::Registry;

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
    void splitsCommandLinesIntoWords_data();
    void splitsCommandLinesIntoWords();
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
    // A candidate is a command line: the program decides whether it is installed, and the
    // value holds its arguments too.
    PortableRegistry registry({pathIn(dir, "missing") + " --about", pathIn(dir, "not-executable"),
                               pathIn(dir, "folder"), pathIn(dir, "second") + " info-overview",
                               pathIn(dir, "third")});
    RegistryValueReader reader(registry);
    std::string path;

    // Key and value names are case-insensitive, as in the registry.
    QVERIFY(reader.GetKeyValue(Registry::kLocalMachine, R"(software\microsoft\shared tools\msinfo)",
                               "Path", path));
    QCOMPARE(path, pathIn(dir, "second") + " info-overview");

    std::string folder;
    QVERIFY(!reader.GetKeyValue(Registry::kLocalMachine,
                                R"(SOFTWARE\Microsoft\Shared Tools Location)", "MSINFO", folder));
}

void PortablePlatformTest::splitsCommandLinesIntoWords_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("words");
    QTest::newRow("a program alone") << "/usr/bin/hardinfo" << QStringList{"/usr/bin/hardinfo"};
    QTest::newRow("with an argument")
        << "/usr/bin/gnome-control-center info-overview"
        << QStringList{"/usr/bin/gnome-control-center", "info-overview"};
    QTest::newRow("blanks around and between")
        << " \t/bin/x  a\tb " << QStringList{"/bin/x", "a", "b"};
    QTest::newRow("quoted blanks")
        << R"("/opt/My Tools/info" "two words")" << QStringList{"/opt/My Tools/info", "two words"};
    QTest::newRow("quotes inside a word")
        << R"(/bin/x --name="a b"c)" << QStringList{"/bin/x", "--name=a bc"};
    QTest::newRow("escapes within quotes")
        << R"(/bin/x "say \"hi\"" "back\\slash" "\n")"
        << QStringList{"/bin/x", R"(say "hi")", R"(back\slash)", R"(\n)"};
    QTest::newRow("backslash outside quotes") << R"(/bin/x a\b)" << QStringList{"/bin/x", R"(a\b)"};
    QTest::newRow("an empty quoted word") << R"(/bin/x "")" << QStringList{"/bin/x", ""};
    QTest::newRow("nothing") << "" << QStringList{};
    QTest::newRow("blanks only") << "  \t " << QStringList{};
    QTest::newRow("a quote left open") << R"(/bin/x "open)" << QStringList{};
}

void PortablePlatformTest::splitsCommandLinesIntoWords() {
    QFETCH(QString, text);
    QFETCH(QStringList, words);
    QStringList split;
    for (const std::string& word : CommandLine::Split(text.toStdString())) {
        split << QString::fromStdString(word);
    }
    QCOMPARE(split, words);
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
    // Each tool writes how many arguments it got and what they were.
    const QByteArray record =
        "printf '%s|' \"$#\" \"$@\" > '" + dir.filePath("started").toUtf8() + "'\n";
    writeFile(dir.filePath("tool"), "#!/bin/sh\n" + record, true);
    QVERIFY(QDir(dir.path()).mkdir("with space"));
    writeFile(dir.filePath("with space/tool"), "#!/bin/sh\n" + record, true);
    writeFile(dir.filePath("plain"), "not a program", false);
    PortableProgramStarter programs;
    const auto started = [&dir](const QByteArray& expected) {
        QFile file(dir.filePath("started"));
        return file.open(QIODevice::ReadOnly) && file.readAll() == expected;
    };

    programs.Start(pathIn(dir, "tool"), ProgramStarter::kNormalFocus);
    QTRY_VERIFY_WITH_TIMEOUT(started("0|"), 10000);
    QVERIFY(QFile::remove(dir.filePath("started")));
    // A path with a blank that names a program is the program, not a command line.
    programs.Start(pathIn(dir, "with space/tool"), ProgramStarter::kNormalFocus);
    QTRY_VERIFY_WITH_TIMEOUT(started("0|"), 10000);
    QVERIFY(QFile::remove(dir.filePath("started")));
    // Anything else is a command line, as the registry writes the tools that need arguments.
    programs.Start(pathIn(dir, "tool") + R"( info-overview "two words")",
                   ProgramStarter::kNormalFocus);
    QTRY_VERIFY_WITH_TIMEOUT(started("2|info-overview|two words|"), 10000);
    programs.Start("\"" + pathIn(dir, "with space/tool") + "\" --about",
                   ProgramStarter::kNormalFocus);
    QTRY_VERIFY_WITH_TIMEOUT(started("1|--about|"), 10000);

    for (const std::string& refused :
         {pathIn(dir, "missing"), pathIn(dir, "missing") + " --about", pathIn(dir, "plain"),
          pathIn(dir, "plain") + " x", std::string(), std::string("  "), "\"" + pathIn(dir, "tool"),
          pathIn(dir, "tool") + std::string(1, '\0')}) {
        QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                                 programs.Start(refused, ProgramStarter::kNormalFocus));
    }
}

QTEST_GUILESS_MAIN(PortablePlatformTest)
#include "tst_portableplatform.moc"
