#include "CommandWatchdog.h"

#include <algorithm>
#include <utility>

namespace brellow::odbc {
namespace {

// The system counts the time since a socket last sent in clock ticks of up to 10 ms; a send
// that close to the command timeout after the start may still be the driver's cancel.
constexpr std::chrono::milliseconds kTickTolerance{100};

} // namespace

struct CommandWatchdog::Entry {
    std::uint16_t port = 0;
    std::chrono::milliseconds silenceAllowed{0};
    // The driver sends nothing in a command but the request, at once, and, once its timeout
    // has run out, the cancel: a send this long after the start is the cancel.
    std::chrono::milliseconds cancelSentAfter{0};
    std::chrono::milliseconds cancelWait{0};
    Clock::time_point started;
    Clock::time_point deadline;
    bool done = false;
    bool fired = false;
};

std::chrono::milliseconds CommandWatchdog::cancelWait(int timeoutSeconds) {
    const std::chrono::milliseconds half{timeoutSeconds * 500};
    return std::clamp(half, std::chrono::milliseconds{500}, kLongestCancelWait);
}

class CommandWatchdog::WatchedCommand final : public CommandGuard::Watch {
public:
    WatchedCommand(CommandWatchdog& watchdog, std::shared_ptr<Entry> entry)
        : watchdog_(watchdog), entry_(std::move(entry)) {}
    ~WatchedCommand() override { watchdog_.end(entry_); }
    WatchedCommand(const WatchedCommand&) = delete;
    WatchedCommand& operator=(const WatchedCommand&) = delete;

    bool fired() const override {
        const std::lock_guard lock(watchdog_.mutex_);
        return entry_->fired;
    }

private:
    CommandWatchdog& watchdog_;
    std::shared_ptr<Entry> entry_;
};

CommandWatchdog::~CommandWatchdog() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_one();
    if (thread_.joinable()) {
        thread_.join();
    }
}

std::unique_ptr<CommandGuard::Watch> CommandWatchdog::watch(std::uint16_t serverPort,
                                                            int timeoutSeconds) {
    if (serverPort == 0 || timeoutSeconds <= 0) {
        return nullptr;
    }
    auto entry = std::make_shared<Entry>();
    entry->port = serverPort;
    entry->cancelWait = cancelWait(timeoutSeconds);
    entry->silenceAllowed = std::chrono::seconds(timeoutSeconds) + entry->cancelWait;
    entry->cancelSentAfter = std::chrono::seconds(timeoutSeconds) - kTickTolerance;
    entry->started = Clock::now();
    entry->deadline = entry->started + entry->silenceAllowed;
    {
        const std::lock_guard lock(mutex_);
        entries_.push_back(entry);
        if (!thread_.joinable()) {
            thread_ = std::thread(&CommandWatchdog::run, this);
        }
    }
    changed_.notify_one();
    return std::make_unique<WatchedCommand>(*this, std::move(entry));
}

void CommandWatchdog::end(const std::shared_ptr<Entry>& entry) {
    const std::lock_guard lock(mutex_);
    entries_.erase(std::remove(entries_.begin(), entries_.end(), entry), entries_.end());
}

void CommandWatchdog::run() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        const auto next =
            std::min_element(entries_.begin(), entries_.end(), [](const auto& a, const auto& b) {
                return std::make_pair(a->done, a->deadline) < std::make_pair(b->done, b->deadline);
            });
        if (next == entries_.end() || (*next)->done) {
            changed_.wait(lock);
            continue;
        }
        // A copy: the command may end, and its entry go, while this waits.
        const Clock::time_point deadline = (*next)->deadline;
        const Clock::time_point now = Clock::now();
        if (now < deadline) {
            changed_.wait_until(lock, deadline);
            continue;
        }
        check(**next, now);
    }
}

std::chrono::milliseconds CommandWatchdog::timeLeft(const Entry& entry,
                                                    const DriverSocket::Found& socket,
                                                    std::chrono::milliseconds sinceStart) {
    // The driver counts its timeout from the last data it read, so a server that answers
    // slowly but steadily is never cut off; where the system keeps no count, from the start.
    const std::chrono::milliseconds silence =
        std::min(socket.sinceLastReceive.value_or(sinceStart), sinceStart);
    std::chrono::milliseconds left = entry.silenceAllowed - silence;
    // Once the cancel has gone, a server that answers it does so at once; whatever arrives
    // after it, the driver gets the cancel wait and no more.
    if (socket.sinceLastSend && sinceStart - *socket.sinceLastSend >= entry.cancelSentAfter) {
        left = std::min(left, entry.cancelWait - *socket.sinceLastSend);
    }
    return left;
}

void CommandWatchdog::check(Entry& entry, Clock::time_point now) {
    const auto sinceStart =
        std::chrono::duration_cast<std::chrono::milliseconds>(now - entry.started);
    std::vector<int> overdue;
    std::chrono::milliseconds soonest = entry.silenceAllowed;
    const std::vector<DriverSocket::Found> sockets = DriverSocket::toPort(entry.port);
    for (const DriverSocket::Found& socket : sockets) {
        const std::chrono::milliseconds left = timeLeft(entry, socket, sinceStart);
        if (left <= std::chrono::milliseconds::zero()) {
            overdue.push_back(socket.descriptor);
        } else {
            soonest = std::min(soonest, left);
        }
    }
    if (overdue.size() == 1) {
        DriverSocket::shutDown(overdue.front());
        entry.fired = true;
        entry.done = true;
    } else if (sockets.empty() || overdue.size() > 1) {
        // No socket, or no telling which is the command's: leave it to the driver.
        entry.done = true;
    } else {
        // Heard from lately: look again when it could have waited too long.
        entry.deadline = now + soonest;
    }
}

} // namespace brellow::odbc
