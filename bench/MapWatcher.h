#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>

struct xcb_connection_t;

namespace brellow::bench {

// Sees from outside when a program's window appears: an X client that listens on the root
// window for its children being mapped (SubstructureNotify) and tells whose window it was by
// the _NET_WM_PID property that Qt sets on every top-level window.
class MapWatcher {
public:
    using Clock = std::chrono::steady_clock;

    // Connects to display and starts listening. Throws std::runtime_error when it cannot.
    explicit MapWatcher(const std::string& display);
    ~MapWatcher();
    MapWatcher(const MapWatcher&) = delete;
    MapWatcher& operator=(const MapWatcher&) = delete;

    // The moment the MapNotify of a top-level window of process pid reached this client, or
    // nothing when none came before deadline.
    std::optional<Clock::time_point> waitForWindowOf(pid_t pid, Clock::time_point deadline);

private:
    std::optional<pid_t> ownerOf(unsigned int window);

    xcb_connection_t* connection_ = nullptr;
    unsigned int pidAtom_ = 0;
};

} // namespace brellow::bench
