#pragma once

#include "LoopbackSocket.h"

#include <QString>
#include <optional>

namespace brellow::testsupport {

// One request to the test-server supervisor that ctest's "testserver" fixture runs (named by
// BRELLOW_TEST_SERVERS, "127.0.0.1:port"): a line each way over loopback. The server it starts
// lives as long as the link; going, the link ends it.
class SupervisorLink {
public:
    // The supervisor ctest's fixture started, if any.
    static std::optional<QString> fromEnvironment();

    explicit SupervisorLink(const QString& address);

    // Sends one line and waits (at most 20 s) for the answer's line; nothing when the
    // supervisor could not be reached or did not answer.
    std::optional<QString> ask(const QString& line);
    QString errorString() const { return error_; }

private:
    static quint16 portOf(const QString& address);

    LoopbackSocket socket_;
    QString error_;
};

} // namespace brellow::testsupport
