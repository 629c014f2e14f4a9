#include "db/CommandWatchdog.h"

#include "db/DriverSocket.h"

#include <algorithm>

namespace brellow::db {

std::chrono::milliseconds CommandWatchdog::CancelWait(int timeoutSeconds) {
    const std::chrono::milliseconds half{timeoutSeconds * 500};
    return std::clamp(half, std::chrono::milliseconds{500}, kLongestCancelWait);
}

CommandWatchdog::CommandWatchdog(const DriverSocket* socket, int timeoutSeconds)
    : socket_(socket), started_(Clock::now()),
      silenceAllowed_(std::chrono::seconds(timeoutSeconds) + CancelWait(timeoutSeconds)) {
    if (socket_ != nullptr && timeoutSeconds > 0) {
        thread_ = std::thread(&CommandWatchdog::watch, this);
    }
}

CommandWatchdog::~CommandWatchdog() {
    if (thread_.joinable()) {
        {
            const std::lock_guard lock(mutex_);
            commandEnded_ = true;
        }
        ended_.notify_one();
        thread_.join();
    }
}

bool CommandWatchdog::Fired() const {
    const std::lock_guard lock(mutex_);
    return fired_;
}

CommandWatchdog::Clock::time_point CommandWatchdog::deadline() const {
    // The driver counts its timeout from the last data it read, so a server that answers
    // slowly but steadily is never cut off; where the system keeps no count, from the start.
    Clock::time_point lastHeard = started_;
    if (const auto since = socket_->SinceLastReceive()) {
        lastHeard = std::max(lastHeard, Clock::now() - *since);
    }
    return lastHeard + silenceAllowed_;
}

void CommandWatchdog::watch() {
    std::unique_lock lock(mutex_);
    while (!commandEnded_) {
        const Clock::time_point limit = deadline();
        if (Clock::now() >= limit) {
            socket_->ShutDown();
            fired_ = true;
            return;
        }
        ended_.wait_until(lock, limit, [this] { return commandEnded_; });
    }
}

} // namespace brellow::db
