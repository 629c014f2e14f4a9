#include "TestServerProcess.h"

#include "SupervisorLink.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace brellow::testsupport {

namespace {

constexpr int startTimeoutMs = 10000;

void addIfSet(QStringList& args, const char* flag, const QString& value) {
    if (!value.isNull()) {
        args << QString::fromLatin1(flag) << value;
    }
}

} // namespace

TestServerProcess::TestServerProcess(Options options) : options_(std::move(options)) {
    process_.setProgram(serverProgram());
    // stderr stays on the test's own output, where a failing server explains itself.
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

TestServerProcess::~TestServerProcess() {
    stop();
}

QString TestServerProcess::serverProgram() {
#ifdef BRELLOW_TDS_TEST_SERVER
    return QStringLiteral(BRELLOW_TDS_TEST_SERVER);
#else
    return QStringLiteral("brellow-tds-testserver");
#endif
}

QStringList TestServerProcess::arguments() const {
    QStringList args;
    addIfSet(args, "--user", options_.user);
    addIfSet(args, "--password", options_.password);
    addIfSet(args, "--edition", options_.edition);
    addIfSet(args, "--version", options_.version);
    addIfSet(args, "--level", options_.level);
    if (!options_.fault.isEmpty()) {
        args << QStringLiteral("--fault") << options_.fault;
    }
    args << QStringLiteral("--lifetime") << QString::number(options_.lifetimeSeconds);
    args << options_.extraArgs;
    return args;
}

bool TestServerProcess::start() {
    stop();
    error_.clear();
    port_ = 0;
    if (const std::optional<QString> supervisor = SupervisorLink::fromEnvironment()) {
        return startThroughSupervisor(*supervisor);
    }
    return startAsChild();
}

bool TestServerProcess::startThroughSupervisor(const QString& supervisor) {
    link_ = std::make_unique<SupervisorLink>(supervisor);
    const std::optional<QString> answer =
        link_->ask(QStringLiteral("START\t") + arguments().join(QLatin1Char('\t')));
    // "LISTENING <port>\t<log folder>"
    const QStringList words = answer.value_or(QString()).split(QLatin1Char('\t'));
    bool ok = false;
    const uint port = words.value(0).mid(10).toUInt(&ok);
    if (!answer || !words.value(0).startsWith(QLatin1String("LISTENING ")) || !ok || port == 0 ||
        port > 65535 || words.size() != 2) {
        error_ = answer ? *answer : link_->errorString();
        link_.reset();
        return false;
    }
    port_ = static_cast<quint16>(port);
#ifdef _WIN32
    // The supervisor's folder, as Wine shows the Linux file system to a Windows program.
    const QString logs = QStringLiteral("Z:") + words[1];
#else
    const QString logs = words[1];
#endif
    wireLogPath_ = logs + QStringLiteral("/wire.log");
    rawLogPath_ = logs + QStringLiteral("/raw");
    return true;
}

bool TestServerProcess::startAsChild() {
#ifdef _WIN32
    // Under Wine a Windows program can start the Linux server but not wait on it or end it.
    error_ = QStringLiteral("no test-server supervisor: run the test through ctest, whose "
                            "\"testserver\" fixture starts one");
    return false;
#endif
    tempDir_ = std::make_unique<QTemporaryDir>();
    if (!tempDir_->isValid()) {
        error_ = QStringLiteral("cannot create a temporary directory for the server's logs");
        return false;
    }
    wireLogPath_ = tempDir_->filePath(QStringLiteral("wire.log"));
    rawLogPath_ = tempDir_->filePath(QStringLiteral("raw"));
    process_.setArguments(QStringList{QStringLiteral("--port"), QStringLiteral("0"),
                                      QStringLiteral("--wire-log"), wireLogPath_,
                                      QStringLiteral("--raw-log"), rawLogPath_} +
                          arguments());
    process_.start(QIODevice::ReadOnly);
    if (!process_.waitForStarted(startTimeoutMs)) {
        error_ = QStringLiteral("cannot start %1: %2").arg(serverProgram(), process_.errorString());
        return false;
    }
    const QDeadlineTimer deadline(startTimeoutMs);
    QByteArray seen;
    while (!deadline.hasExpired()) {
        while (process_.canReadLine()) {
            const QByteArray line = process_.readLine().trimmed();
            seen += line + '\n';
            if (line.startsWith("LISTENING ")) {
                bool ok = false;
                const uint port = line.mid(10).toUInt(&ok);
                if (ok && port > 0 && port <= 65535) {
                    port_ = static_cast<quint16>(port);
                    return true;
                }
            }
        }
        if (process_.state() == QProcess::NotRunning) {
            break;
        }
        process_.waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
    }
    error_ = process_.state() == QProcess::NotRunning
                 ? QStringLiteral("the test server ended before listening (exit code %1): %2")
                       .arg(process_.exitCode())
                       .arg(QString::fromUtf8(seen))
                 : QStringLiteral("the test server did not listen within 10 s: %1")
                       .arg(QString::fromUtf8(seen));
    stop();
    return false;
}

void TestServerProcess::stop() {
    if (link_) {
        // The server is gone, and its port closed, once the supervisor has answered.
        link_->ask(QStringLiteral("STOP"));
        link_.reset();
    }
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

QStringList TestServerProcess::wireLogLines() const {
    QFile file(wireLogPath_);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QStringList lines;
    const QList<QByteArray> raw = file.readAll().split('\n');
    for (const QByteArray& line : raw) {
        if (!line.isEmpty()) {
            lines << QString::fromUtf8(line);
        }
    }
    return lines;
}

QStringList TestServerProcess::loginLines() const {
    return wireLogLines().filter(QRegularExpression(QStringLiteral(" (LOGIN7|SSPI) ")));
}

QList<QByteArray> TestServerProcess::receivedBytes() const {
    QList<QByteArray> connections;
    for (int number = 1;; ++number) {
        QFile file(QDir(rawLogPath_).filePath(QStringLiteral("conn-%1.bin").arg(number)));
        if (!file.open(QIODevice::ReadOnly)) {
            return connections;
        }
        connections << file.readAll();
    }
}

} // namespace brellow::testsupport
