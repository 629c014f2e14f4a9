#pragma once

#include "DriverSocket.h"
#include "odbc/CommandGuard.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace brellow::odbc {

// Bounds the wait for a server that has stopped answering. When a command times out, the
// driver sends the server a cancel and then waits a whole command timeout again for its
// acknowledgement, so a frozen server would hold the caller for twice the timeout. While a
// command runs it is watched from a thread of the watchdog's own (one for all connections,
// started at the first command): once the connection's socket has heard nothing for the
// command timeout and then the cancel wait, or the cancel wait has passed since the driver
// sent its cancel, the socket is shut down and the command fails at once. The second rule is
// for a reply broken in the middle (a length running past its end): the answer to the cancel
// then arrives but only feeds the half-read token or packet, and the driver waits on. When
// the socket cannot be told from another to the same server, nothing is done and the
// driver's own wait applies.
class CommandWatchdog final : public CommandGuard {
public:
    // The longest wait for a cancel's acknowledgement; a server that answers at all does so in
    // milliseconds. Shorter timeouts wait half as long as the command did, at least 0.5 s.
    static constexpr std::chrono::milliseconds kLongestCancelWait{5000};

    struct Entry;
    class WatchedCommand;

    CommandWatchdog() = default;
    ~CommandWatchdog() override;
    CommandWatchdog(const CommandWatchdog&) = delete;
    CommandWatchdog& operator=(const CommandWatchdog&) = delete;

    // Watches a command on a connection to `serverPort`; watches nothing without a timeout
    // (0 waits without a limit).
    std::unique_ptr<Watch> watch(std::uint16_t serverPort, int timeoutSeconds) override;

    static std::chrono::milliseconds cancelWait(int timeoutSeconds);

private:
    using Clock = std::chrono::steady_clock;

    // How long the socket may still wait before the command is given up on; zero or less when
    // it has waited too long already.
    static std::chrono::milliseconds timeLeft(const Entry& entry, const DriverSocket::Found& socket,
                                              std::chrono::milliseconds sinceStart);

    void run();
    void check(Entry& entry, Clock::time_point now);
    void end(const std::shared_ptr<Entry>& entry);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::shared_ptr<Entry>> entries_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace brellow::odbc
