#include "platform/DesktopShell.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using brellow::platform::DesktopShell;

namespace {

// A stand-in for xdg-open: writes the address it was given and ends with the exit code
// the test chooses.
QString writeOpener(const QTemporaryDir& dir, const QString& name, const QByteArray& body) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return {};
    }
    file.write("#!/bin/sh\n" + body);
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class DesktopShellTest : public QObject {
    Q_OBJECT

private slots:
    void handsTheAddressToTheOpener();
    void turnsOpenerFailuresIntoShellCodes_data();
    void turnsOpenerFailuresIntoShellCodes();
    void refusesWhatIsNoDocumentWithoutRunningTheOpener();
    void findsTheOpenerOnThePath();
    void aHandlerStillRunningCountsAsAcceptedAndKeepsRunning();
};

void DesktopShellTest::handsTheAddressToTheOpener() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString received = dir.filePath("received");
    const QString opener = writeOpener(
        dir, "xdg-open", "printf '%s|%s' \"$#\" \"$1\" > '" + received.toUtf8() + "'\n");
    DesktopShell shell(opener.toStdString());

    const std::int32_t result =
        shell.Execute(1, "open", "http://www.example.org/a b?q=1&r=2", "", "", 1);

    QVERIFY(result >= 32);
    QCOMPARE(shell.LastError(), 0u);
    QCOMPARE(readAll(received), QByteArray("1|http://www.example.org/a b?q=1&r=2"));
}

void DesktopShellTest::turnsOpenerFailuresIntoShellCodes_data() {
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("result");
    QTest::addColumn<uint>("lastError");

    QTest::newRow("syntax error") << 1 << 0 << 87u;
    QTest::newRow("file not found") << 2 << 2 << 2u;
    QTest::newRow("no tool for the address") << 3 << 31 << 1155u;
    QTest::newRow("the handler failed") << 4 << 0 << 110u;
    QTest::newRow("undocumented code") << 9 << 0 << 110u;
}

void DesktopShellTest::turnsOpenerFailuresIntoShellCodes() {
    QFETCH(int, exitCode);
    QFETCH(int, result);
    QFETCH(uint, lastError);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString opener = writeOpener(dir, "xdg-open", "exit " + QByteArray::number(exitCode));
    DesktopShell shell(opener.toStdString());

    QCOMPARE(shell.Execute(0, "open", "http://example.org", "", "", 1), result);
    QCOMPARE(shell.LastError(), lastError);

    // An opener that is not installed at all.
    DesktopShell missing(dir.filePath("no-such-opener").toStdString());
    QCOMPARE(missing.Execute(0, "open", "http://example.org", "", "", 1), 2);
    QCOMPARE(missing.LastError(), 2u);
}

void DesktopShellTest::refusesWhatIsNoDocumentWithoutRunningTheOpener() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString ran = dir.filePath("ran");
    const QString opener = writeOpener(dir, "xdg-open", "touch '" + ran.toUtf8() + "'\n");
    DesktopShell shell(opener.toStdString());

    QCOMPARE(shell.Execute(0, "print", "http://example.org", "", "", 1), 31);
    QCOMPARE(shell.LastError(), 1155u);
    QVERIFY(shell.Execute(0, "open", "", "", "", 1) < 32);
    QCOMPARE(shell.LastError(), 87u);
    QVERIFY(shell.Execute(0, "open", "--help http://example.org", "", "", 1) < 32);
    QVERIFY(shell.Execute(0, "open", std::string("http://a\0b", 10), "", "", 1) < 32);
    QVERIFY(!QFile::exists(ran));
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
    QCOMPARE(readAll(received), QByteArray("http://brellow.example.org"));
}

void DesktopShellTest::aHandlerStillRunningCountsAsAcceptedAndKeepsRunning() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // Like a browser that xdg-open waits for: it stays until the test lets it go.
    const QString gate = dir.filePath("gate");
    QVERIFY(::mkfifo(gate.toLocal8Bit().constData(), 0600) == 0);
    const QString received = dir.filePath("received");
    const QString finished = dir.filePath("finished");
    const QString opener =
        writeOpener(dir, "xdg-open",
                    "printf '%s' \"$1\" > '" + received.toUtf8() + "'\nread line < '" +
                        gate.toUtf8() + "'\ntouch '" + finished.toUtf8() + "'\n");
    DesktopShell shell(opener.toStdString(), 300);

    QVERIFY(shell.Execute(0, "open", "http://example.org", "", "", 1) >= 32);
    QCOMPARE(shell.LastError(), 0u);

    // Opening the gate blocks until the handler has reached it, so it is still alive.
    const int fd = ::open(gate.toLocal8Bit().constData(), O_WRONLY);
    QVERIFY(fd >= 0);
    QCOMPARE(::write(fd, "go\n", 3), ssize_t{3});
    ::close(fd);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(finished), 10000);
    QCOMPARE(readAll(received), QByteArray("http://example.org"));
}

QTEST_GUILESS_MAIN(DesktopShellTest)
#include "tst_desktopshell.moc"
