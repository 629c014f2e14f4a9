#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace brellow::db {

class DriverSocket;

// Bounds the wait for a server that has stopped answering. When a command times out the driver
// sends the server a cancel and then waits a whole command timeout again for its
// acknowledgement, so a frozen server would hold the caller for twice the timeout. While a
// command runs, this watches the connection from a thread of its own: once nothing has arrived
// for the command timeout and then the cancel wait, it shuts the socket down, and the command
// fails at once.
class CommandWatchdog {
public:
    // The longest wait for a cancel's acknowledgement; a server that answers at all does so in
    // milliseconds. Shorter timeouts wait half as long as the command did.
    static constexpr std::chrono::milliseconds kLongestCancelWait{5000};

    // Watches nothing without a socket or without a timeout (0 waits without a limit).
    CommandWatchdog(const DriverSocket* socket, int timeoutSeconds);
    // The command has ended: stops watching.
    ~CommandWatchdog();
    CommandWatchdog(const CommandWatchdog&) = delete;
    CommandWatchdog& operator=(const CommandWatchdog&) = delete;

    // True once the connection was shut down because the server stayed silent.
    bool Fired() const;

    static std::chrono::milliseconds CancelWait(int timeoutSeconds);

private:
    using Clock = std::chrono::steady_clock;

    void watch();
    Clock::time_point deadline() const;

    const DriverSocket* socket_;
    const Clock::time_point started_;
    const std::chrono::milliseconds silenceAllowed_;
    mutable std::mutex mutex_;
    std::condition_variable ended_;
    bool commandEnded_ = false;
    bool fired_ = false;
    std::thread thread_;
};

} // namespace brellow::db
