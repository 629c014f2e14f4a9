#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace brellow::bench {

// A program the benchmark starts, with its output thrown away, and ends again when done with
// it: asked to stop, then killed if it has not within a bound. Every wait is bounded.
class ChildProcess {
public:
    using Clock = std::chrono::steady_clock;

    // Starts program with arguments; extraEnvironment ("NAME=value") overrides the
    // benchmark's own. keepOpen: a descriptor the child inherits (-1: none). Throws
    // std::runtime_error when the program cannot be started.
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                 const std::vector<std::string>& extraEnvironment, int keepOpen = -1);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    // True while the child has not ended; reaps it when it has.
    bool isRunning();
    // Waits until the child has used no processor time for quietFor, at most until deadline.
    // False when the deadline passed first or the child ended.
    bool waitUntilIdle(Clock::duration quietFor, Clock::time_point deadline);
    // The child's resident set now, in KiB, from /proc: all of it, and its anonymous part
    // (heap and other private memory, as opposed to mapped files). -1 when unreadable.
    long residentKiB() const;
    long anonymousResidentKiB() const;
    // SIGTERM, then SIGKILL after a second; returns once the child is reaped.
    void stop();

private:
    long statusField(const char* name) const;
    long long processorNanoseconds() const;

    pid_t pid_ = -1;
    bool reaped_ = false;
};

} // namespace brellow::bench
