#include "linux/LinuxDesktop.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using brellow::os::LinuxDesktop;
using Tool = LinuxDesktop::Tool;

namespace {

// A stand-in for xdg-open: a shell script the test writes. Each one first writes its process
// id to "pid" in its folder, so the test can tell when it has ended.
QString writeOpener(const QTemporaryDir& dir, const QString& name, const QByteArray& body) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return {};
    }
    file.write("#!/bin/sh\necho $$ > '" + dir.filePath("pid").toUtf8() + "'\n" + body);
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The stand-in has ended and been collected. The desktop hears of an opener's end when it
// collects it, so by then any late failure has been reported.
bool openerEnded(const QTemporaryDir& dir) {
    const QByteArray pid = readAll(dir.filePath("pid")).trimmed();
    return !pid.isEmpty() && ::kill(static_cast<pid_t>(pid.toLong()), 0) != 0 && errno == ESRCH;
}

// Lets a stand-in waiting at the fifo `gate` go on. Opening the fifo blocks until the stand-in
// has opened it too, so it is still running at that moment.
bool letThrough(const QString& gate) {
    const int fd = ::open(gate.toLocal8Bit().constData(), O_WRONLY);
    if (fd < 0) {
        return false;
    }
    const bool written = ::write(fd, "go\n", 3) == 3;
    ::close(fd);
    return written;
}

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

// A stand-in tool that writes the arguments it was started with into "started" in its folder.
QString writeTool(const QTemporaryDir& dir, const QString& name) {
    const QString path = dir.filePath(name);
    writeFile(path,
              "#!/bin/sh\nprintf '%s|' \"$0\" \"$@\" > '" + dir.filePath("started").toUtf8() +
                  "'\n",
              true);
    return path;
}

Tool tool(const QString& path, std::vector<std::string> arguments = {}) {
    return Tool{path.toStdString(), std::move(arguments)};
}

// Collects what the desktop reports late.
struct Reports {
    explicit Reports(LinuxDesktop& desktop) {
        desktop.setLateFailureReport([this](std::uint32_t error) { errors.append(error); });
    }
    QList<std::uint32_t> errors;
};

// A desktop with no system information tool and this opener.
LinuxDesktop desktopWith(const QString& opener) {
    return LinuxDesktop(std::vector<Tool>{}, opener.toStdString());
}

} // namespace

class LinuxDesktopTest : public QObject {
    Q_OBJECT

private slots:
    void startsTheFirstInstalledToolWithItsArguments();
    void withoutAToolThereIsNoSystemInformation();
    void looksForTheToolAtEachRequest();
    void aToolThatCannotStartIsNoSystemInformation();
    void handsTheAddressToTheOpener();
    void reportsTheOpenersFailureAfterwards_data();
    void reportsTheOpenersFailureAfterwards();
    void aMissingOpenerIsRefusedAtOnce();
    void refusesWhatIsNoAddressWithoutRunningTheOpener();
    void findsTheOpenerOnThePath();
    void returnsWhileTheHandlerStillRuns();
    void openersThatOutliveTheDesktopReportToNobody();
};

void LinuxDesktopTest::startsTheFirstInstalledToolWithItsArguments() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    writeFile(dir.filePath("not-executable"), "data", false);
    QVERIFY(QDir(dir.path()).mkdir("folder"));
    const QString second = writeTool(dir, "second");
    writeTool(dir, "third");
    LinuxDesktop desktop({tool(dir.filePath("missing"), {"--about"}),
                          tool(dir.filePath("not-executable")), tool(dir.filePath("folder")),
                          tool(second, {"info-overview", "two words"}),
                          tool(dir.filePath("third"))});

    QVERIFY(desktop.startSystemInformation());
    QTRY_COMPARE_WITH_TIMEOUT(readAll(dir.filePath("started")),
                              (second + "|info-overview|two words|").toUtf8(), 10000);
}

void LinuxDesktopTest::withoutAToolThereIsNoSystemInformation() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(!LinuxDesktop({tool(dir.filePath("hardinfo"))}).startSystemInformation());
    QVERIFY(!LinuxDesktop(std::vector<Tool>{}).startSystemInformation());
}

void LinuxDesktopTest::looksForTheToolAtEachRequest() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    LinuxDesktop desktop({tool(dir.filePath("hardinfo"))});
    QVERIFY(!desktop.startSystemInformation());
    // Installed while the program runs: the next request finds it.
    writeTool(dir, "hardinfo");
    QVERIFY(desktop.startSystemInformation());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dir.filePath("started")), 10000);
}

void LinuxDesktopTest::aToolThatCannotStartIsNoSystemInformation() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // Executable, but with an interpreter that is not there: the system refuses to run it.
    writeFile(dir.filePath("broken"), "#!/no/such/interpreter\n", true);
    QVERIFY(!LinuxDesktop({tool(dir.filePath("broken"))}).startSystemInformation());
}

void LinuxDesktopTest::handsTheAddressToTheOpener() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString received = dir.filePath("received");
    const QString opener = writeOpener(
        dir, "xdg-open", "printf '%s|%s' \"$#\" \"$1\" > '" + received.toUtf8() + "'\n");
    LinuxDesktop desktop = desktopWith(opener);
    Reports reports(desktop);

    QCOMPARE(desktop.openWebAddress("http://www.example.org/a b?q=1&r=2", 1), std::nullopt);
    QTRY_VERIFY_WITH_TIMEOUT(openerEnded(dir), 10000);
    QCOMPARE(readAll(received), QByteArray("1|http://www.example.org/a b?q=1&r=2"));
    QVERIFY(reports.errors.isEmpty());
}

void LinuxDesktopTest::reportsTheOpenersFailureAfterwards_data() {
    QTest::addColumn<QByteArray>("ending");
    QTest::addColumn<QList<std::uint32_t>>("reported");

    // xdg-open's exit status, as it documents it, is the number.
    QTest::newRow("success") << QByteArray("exit 0") << QList<std::uint32_t>{};
    QTest::newRow("syntax error") << QByteArray("exit 1") << QList<std::uint32_t>{1};
    QTest::newRow("file not found") << QByteArray("exit 2") << QList<std::uint32_t>{2};
    QTest::newRow("no tool for the address") << QByteArray("exit 3") << QList<std::uint32_t>{3};
    QTest::newRow("the handler failed") << QByteArray("exit 4") << QList<std::uint32_t>{4};
    QTest::newRow("undocumented code") << QByteArray("exit 9") << QList<std::uint32_t>{9};
    // One a signal ended: 128 and the signal, as a shell says it.
    QTest::newRow("killed") << QByteArray("kill -KILL $$") << QList<std::uint32_t>{137};
    QTest::newRow("terminated") << QByteArray("kill -TERM $$") << QList<std::uint32_t>{143};
}

void LinuxDesktopTest::reportsTheOpenersFailureAfterwards() {
    QFETCH(QByteArray, ending);
    QFETCH(QList<std::uint32_t>, reported);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString opener = writeOpener(dir, "xdg-open", ending + "\n");
    LinuxDesktop desktop = desktopWith(opener);
    Reports reports(desktop);

    // Accepted at once, whatever the opener makes of it afterwards.
    QCOMPARE(desktop.openWebAddress("http://example.org", 0), std::nullopt);
    QTRY_VERIFY_WITH_TIMEOUT(openerEnded(dir), 10000);
    QCOMPARE(reports.errors, reported);
}

void LinuxDesktopTest::aMissingOpenerIsRefusedAtOnce() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // Neither an opener that is not there nor a file that cannot be run: as a shell says,
    // a command that is not found.
    QFile plain(dir.filePath("not-a-program"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    for (const QString& name : {dir.filePath("no-such-opener"), plain.fileName()}) {
        LinuxDesktop desktop = desktopWith(name);
        Reports reports(desktop);
        QCOMPARE(desktop.openWebAddress("http://example.org", 0),
                 std::optional<std::uint32_t>{127});
        QVERIFY(reports.errors.isEmpty());
    }
}

void LinuxDesktopTest::refusesWhatIsNoAddressWithoutRunningTheOpener() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString opener = writeOpener(dir, "xdg-open", "");
    LinuxDesktop desktop = desktopWith(opener);

    // What xdg-open says of what it cannot make sense of.
    const std::optional<std::uint32_t> syntax{1};
    QCOMPARE(desktop.openWebAddress("", 0), syntax);
    QCOMPARE(desktop.openWebAddress("--help http://example.org", 0), syntax);
    QCOMPARE(desktop.openWebAddress(std::string("http://a\0b", 10), 0), syntax);
    // Refused before anything was started: the opener never wrote its process id.
    QVERIFY(!QFile::exists(dir.filePath("pid")));
}

void LinuxDesktopTest::findsTheOpenerOnThePath() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString received = dir.filePath("received");
    writeOpener(dir, "xdg-open", "printf '%s' \"$1\" > '" + received.toUtf8() + "'\n");
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", dir.path().toLocal8Bit() + ":" + oldPath);
    LinuxDesktop desktop;

    const std::optional<std::uint32_t> refused =
        desktop.openWebAddress("http://brellow.example.org", 0);
    qputenv("PATH", oldPath);

    QCOMPARE(refused, std::nullopt);
    QTRY_VERIFY_WITH_TIMEOUT(openerEnded(dir), 10000);
    QCOMPARE(readAll(received), QByteArray("http://brellow.example.org"));
}

void LinuxDesktopTest::returnsWhileTheHandlerStillRuns() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // Like a browser that xdg-open waits for: it stays until the test lets it go, and then
    // fails, long after the request was accepted.
    const QString gate = dir.filePath("gate");
    QVERIFY(::mkfifo(gate.toLocal8Bit().constData(), 0600) == 0);
    const QString opener =
        writeOpener(dir, "xdg-open", "read line < '" + gate.toUtf8() + "'\nexit 3\n");
    LinuxDesktop desktop = desktopWith(opener);
    Reports reports(desktop);

    QCOMPARE(desktop.openWebAddress("http://example.org", 0), std::nullopt);
    QVERIFY(reports.errors.isEmpty());

    QVERIFY(letThrough(gate));
    QTRY_COMPARE_WITH_TIMEOUT(reports.errors, (QList<std::uint32_t>{3}), 10000);
}

void LinuxDesktopTest::openersThatOutliveTheDesktopReportToNobody() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString gate = dir.filePath("gate");
    QVERIFY(::mkfifo(gate.toLocal8Bit().constData(), 0600) == 0);
    const QString opener =
        writeOpener(dir, "xdg-open", "read line < '" + gate.toUtf8() + "'\nexit 4\n");
    QList<std::uint32_t> errors;
    {
        LinuxDesktop desktop = desktopWith(opener);
        desktop.setLateFailureReport([&errors](std::uint32_t error) { errors.append(error); });
        QCOMPARE(desktop.openWebAddress("http://example.org", 0), std::nullopt);
    }
    // The handler was not killed with the desktop: it still takes the gate, and its failure
    // then finds no one to tell.
    QVERIFY(letThrough(gate));
    QTRY_VERIFY_WITH_TIMEOUT(openerEnded(dir), 10000);
    QVERIFY(errors.isEmpty());
}

QTEST_GUILESS_MAIN(LinuxDesktopTest)
#include "tst_linuxdesktop.moc"
