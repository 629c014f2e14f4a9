#include "os/linux/DesktopShell.h"

#include <QFile>
#include <QList>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using brellow::os::DesktopShell;

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

// The stand-in has ended and been collected. The shell hears of an opener's end when it
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

// Collects what the shell reports late.
struct Reports {
    explicit Reports(DesktopShell& shell) {
        shell.SetLateFailureReport([this](std::uint32_t error) { errors.append(error); });
    }
    QList<std::uint32_t> errors;
};

} // namespace

class DesktopShellTest : public QObject {
    Q_OBJECT

private slots:
    void handsTheAddressToTheOpener();
    void reportsTheOpenersFailureAfterwards_data();
    void reportsTheOpenersFailureAfterwards();
    void aMissingOpenerFailsAtOnceAsAMissingFile();
    void refusesWhatIsNoDocumentWithoutRunningTheOpener();
    void findsTheOpenerOnThePath();
    void returnsWhileTheHandlerStillRuns();
    void openersThatOutliveTheShellReportToNobody();
};

void DesktopShellTest::handsTheAddressToTheOpener() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString received = dir.filePath("received");
    const QString opener = writeOpener(
        dir, "xdg-open", "printf '%s|%s' \"$#\" \"$1\" > '" + received.toUtf8() + "'\n");
    DesktopShell shell(opener.toStdString());
    Reports reports(shell);

    const std::int32_t result =
        shell.Execute(1, "open", "http://www.example.org/a b?q=1&r=2", "", "", 1);

    QVERIFY(result >= 32);
    QCOMPARE(shell.LastError(), 0u);
    QTRY_VERIFY_WITH_TIMEOUT(openerEnded(dir), 10000);
    QCOMPARE(readAll(received), QByteArray("1|http://www.example.org/a b?q=1&r=2"));
    QVERIFY(reports.errors.isEmpty());
}

void DesktopShellTest::reportsTheOpenersFailureAfterwards_data() {
    QTest::addColumn<QByteArray>("ending");
    QTest::addColumn<QList<std::uint32_t>>("reported");

    QTest::newRow("success") << QByteArray("exit 0") << QList<std::uint32_t>{};
    QTest::newRow("syntax error") << QByteArray("exit 1") << QList<std::uint32_t>{87};
    QTest::newRow("file not found") << QByteArray("exit 2") << QList<std::uint32_t>{2};
    QTest::newRow("no tool for the address") << QByteArray("exit 3") << QList<std::uint32_t>{1155};
    QTest::newRow("the handler failed") << QByteArray("exit 4") << QList<std::uint32_t>{110};
    QTest::newRow("undocumented code") << QByteArray("exit 9") << QList<std::uint32_t>{110};
    QTest::newRow("killed") << QByteArray("kill -KILL $$") << QList<std::uint32_t>{110};
}

void DesktopShellTest::reportsTheOpenersFailureAfterwards() {
    QFETCH(QByteArray, ending);
    QFETCH(QList<std::uint32_t>, reported);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString opener = writeOpener(dir, "xdg-open", ending + "\n");
    DesktopShell shell(opener.toStdString());
    Reports reports(shell);

    // Accepted at once, whatever the opener makes of it afterwards.
    QVERIFY(shell.Execute(0, "open", "http://example.org", "", "", 1) >= 32);
    QCOMPARE(shell.LastError(), 0u);
    QTRY_VERIFY_WITH_TIMEOUT(openerEnded(dir), 10000);
    QCOMPARE(reports.errors, reported);
}

void DesktopShellTest::aMissingOpenerFailsAtOnceAsAMissingFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // Neither an opener that is not there nor a file that cannot be run.
    QFile plain(dir.filePath("not-a-program"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    for (const QString& name : {dir.filePath("no-such-opener"), plain.fileName()}) {
        DesktopShell shell(name.toStdString());
        Reports reports(shell);
        QCOMPARE(shell.Execute(0, "open", "http://example.org", "", "", 1), 2);
        QCOMPARE(shell.LastError(), 2u);
        QVERIFY(reports.errors.isEmpty());
    }
}

void DesktopShellTest::refusesWhatIsNoDocumentWithoutRunningTheOpener() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString opener = writeOpener(dir, "xdg-open", "");
    DesktopShell shell(opener.toStdString());

    QCOMPARE(shell.Execute(0, "print", "http://example.org", "", "", 1), 31);
    QCOMPARE(shell.LastError(), 1155u);
    QVERIFY(shell.Execute(0, "open", "", "", "", 1) < 32);
    QCOMPARE(shell.LastError(), 87u);
    QVERIFY(shell.Execute(0, "open", "--help http://example.org", "", "", 1) < 32);
    QVERIFY(shell.Execute(0, "open", std::string("http://a\0b", 10), "", "", 1) < 32);
    // Refused before anything was started: the opener never wrote its process id.
    QVERIFY(!QFile::exists(dir.filePath("pid")));
}

void DesktopShellTest::findsTheOpenerOnThePath() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString received = dir.filePath("received");
    writeOpener(dir, "xdg-open", "printf '%s' \"$1\" > '" + received.toUtf8() + "'\n");
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", dir.path().toLocal8Bit() + ":" + oldPath);
    DesktopShell shell;

    const std::int32_t result = shell.Execute(0, "open", "http://brellow.example.org", "", "", 1);
    qputenv("PATH", oldPath);

    QVERIFY(result >= 32);
    QTRY_VERIFY_WITH_TIMEOUT(openerEnded(dir), 10000);
    QCOMPARE(readAll(received), QByteArray("http://brellow.example.org"));
}

void DesktopShellTest::returnsWhileTheHandlerStillRuns() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // Like a browser that xdg-open waits for: it stays until the test lets it go, and then
    // fails, long after the request was accepted.
    const QString gate = dir.filePath("gate");
    QVERIFY(::mkfifo(gate.toLocal8Bit().constData(), 0600) == 0);
    const QString opener =
        writeOpener(dir, "xdg-open", "read line < '" + gate.toUtf8() + "'\nexit 3\n");
    DesktopShell shell(opener.toStdString());
    Reports reports(shell);

    QVERIFY(shell.Execute(0, "open", "http://example.org", "", "", 1) >= 32);
    QCOMPARE(shell.LastError(), 0u);
    QVERIFY(reports.errors.isEmpty());

    QVERIFY(letThrough(gate));
    QTRY_COMPARE_WITH_TIMEOUT(reports.errors, (QList<std::uint32_t>{1155}), 10000);
}

void DesktopShellTest::openersThatOutliveTheShellReportToNobody() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString gate = dir.filePath("gate");
    QVERIFY(::mkfifo(gate.toLocal8Bit().constData(), 0600) == 0);
    const QString opener =
        writeOpener(dir, "xdg-open", "read line < '" + gate.toUtf8() + "'\nexit 4\n");
    QList<std::uint32_t> errors;
    {
        DesktopShell shell(opener.toStdString());
        shell.SetLateFailureReport([&errors](std::uint32_t error) { errors.append(error); });
        QVERIFY(shell.Execute(0, "open", "http://example.org", "", "", 1) >= 32);
    }
    // The handler was not killed with the shell: it still takes the gate, and its failure
    // then finds no one to tell.
    QVERIFY(letThrough(gate));
    QTRY_VERIFY_WITH_TIMEOUT(openerEnded(dir), 10000);
    QVERIFY(errors.isEmpty());
}

QTEST_GUILESS_MAIN(DesktopShellTest)
#include "tst_desktopshell.moc"
