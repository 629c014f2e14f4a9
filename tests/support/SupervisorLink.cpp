#include "SupervisorLink.h"

namespace brellow::testsupport {
namespace {

constexpr int kAnswerWaitMs = 20000;

} // namespace

std::optional<QString> SupervisorLink::fromEnvironment() {
    const QString address = qEnvironmentVariable("BRELLOW_TEST_SERVERS");
    if (address.isEmpty()) {
        return std::nullopt;
    }
    return address;
}

quint16 SupervisorLink::portOf(const QString& address) {
    // Always on this machine's loopback: only the port varies.
    const QString prefix = QStringLiteral("127.0.0.1:");
    bool ok = false;
    const uint port = address.startsWith(prefix) ? address.mid(prefix.size()).toUInt(&ok) : 0;
    return ok && port <= 65535 ? static_cast<quint16>(port) : 0;
}

SupervisorLink::SupervisorLink(const QString& address) : socket_(portOf(address)) {
    if (!socket_.isConnected()) {
        error_ =
            QStringLiteral("the test-server supervisor at \"%1\" does not answer").arg(address);
    }
}

std::optional<QString> SupervisorLink::ask(const QString& line) {
    if (!socket_.send(line.toUtf8() + '\n')) {
        return std::nullopt;
    }
    const std::optional<QByteArray> answer = socket_.readLine(kAnswerWaitMs);
    if (!answer) {
        error_ = QStringLiteral("the test-server supervisor did not answer \"%1\"").arg(line);
        return std::nullopt;
    }
    return QString::fromUtf8(*answer);
}

} // namespace brellow::testsupport
