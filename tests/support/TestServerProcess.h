#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QtGlobal>
#include <memory>

namespace brellow::testsupport {

class SupervisorLink;

// Runs brellow-tds-testserver for one test: starts it on a free loopback port, waits for
// it to listen, and stops it when destroyed. Run by ctest, the test asks the supervisor of
// the "testserver" fixture to start it (so that a Windows test under Wine can have one too);
// a test program run by hand on Linux starts it as its own child. Every run writes a wire
// log and a raw record of the bytes each connection sent.
class TestServerProcess {
public:
    struct Options {
        QString user;
        QString password;
        QString edition;
        QString version;
        QString level;
        QString fault; // empty: none
        int lifetimeSeconds = 120;
        QStringList extraArgs; // e.g. --database, --server-name
    };

    explicit TestServerProcess(Options options);
    ~TestServerProcess();
    TestServerProcess(const TestServerProcess&) = delete;
    TestServerProcess& operator=(const TestServerProcess&) = delete;

    // Starts the server and waits (at most 10 s) for it to listen. False, with
    // errorString() saying why, when it did not.
    bool start();
    // Kills the server and waits for it to end; safe to call more than once.
    void stop();

    bool isRunning() const { return link_ != nullptr || process_.state() != QProcess::NotRunning; }
    quint16 port() const { return port_; }
    QString wireLogPath() const { return wireLogPath_; }
    // The wire log's lines so far (one per client message).
    QStringList wireLogLines() const;
    // Those of them that are logins: LOGIN7, and the SSPI messages of an integrated login.
    QStringList loginLines() const;
    // Every byte each connection sent so far, in the order the connections came.
    QList<QByteArray> receivedBytes() const;
    QString errorString() const { return error_; }
    // The arguments start() passes, for messages.
    QStringList arguments() const;

    // Path of the server program this build made.
    static QString serverProgram();

private:
    bool startThroughSupervisor(const QString& supervisor);
    bool startAsChild();

    Options options_;
    std::unique_ptr<SupervisorLink> link_;
    QProcess process_;
    std::unique_ptr<QTemporaryDir> tempDir_;
    QString wireLogPath_;
    QString rawLogPath_;
    QString error_;
    quint16 port_ = 0;
};

} // namespace brellow::testsupport
