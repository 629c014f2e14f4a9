#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <cstdint>
#include <optional>

namespace brellow::testsupport {

// A TCP connection to a port on 127.0.0.1, for the tests of both builds: a Windows test under
// Wine reaches the Linux side over loopback, and Qt's network module is not in every Qt this
// builds on. Blocking, with a bound on every wait.
class LoopbackSocket {
public:
    // A loopback port nothing listens on: bound, read, released.
    static quint16 unusedPort();

    explicit LoopbackSocket(quint16 port);
    ~LoopbackSocket();
    LoopbackSocket(const LoopbackSocket&) = delete;
    LoopbackSocket& operator=(const LoopbackSocket&) = delete;

    bool isConnected() const { return socket_ != -1; }
    bool send(const QByteArray& bytes);
    // The next line, without its newline; nothing when the connection ends or the wait is over.
    std::optional<QByteArray> readLine(int waitMs);

private:
    std::intptr_t socket_ = -1;
};

} // namespace brellow::testsupport
