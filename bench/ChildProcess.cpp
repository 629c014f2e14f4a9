#include "ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace brellow::bench {
namespace {

using namespace std::chrono_literals;

// The benchmark's environment with the overrides applied, as posix_spawn wants it.
std::vector<std::string> mergedEnvironment(const std::vector<std::string>& overrides) {
    std::map<std::string, std::string> byName;
    const auto add = [&](const std::string& entry) {
        byName[entry.substr(0, entry.find('='))] = entry;
    };
    for (char** entry = environ; *entry != nullptr; ++entry) {
        add(*entry);
    }
    for (const std::string& entry : overrides) {
        add(entry);
    }
    std::vector<std::string> result;
    for (const auto& [name, entry] : byName) {
        result.push_back(entry);
    }
    return result;
}

std::vector<char*> pointersTo(std::vector<std::string>& texts) {
    std::vector<char*> result;
    for (std::string& text : texts) {
        result.push_back(text.data());
    }
    result.push_back(nullptr);
    return result;
}

// Polling interval of the bounded waits: short against the tens of milliseconds measured.
constexpr auto kPollInterval = 2ms;

} // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const std::vector<std::string>& extraEnvironment, int keepOpen) {
    std::vector<std::string> argumentTexts{program};
    argumentTexts.insert(argumentTexts.end(), arguments.begin(), arguments.end());
    std::vector<std::string> environmentTexts = mergedEnvironment(extraEnvironment);
    std::vector<char*> argv = pointersTo(argumentTexts);
    std::vector<char*> envp = pointersTo(environmentTexts);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    if (keepOpen >= 0) {
        // Clears close-on-exec in the child only.
        posix_spawn_file_actions_adddup2(&actions, keepOpen, keepOpen);
    }
    const int error =
        posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        throw std::runtime_error("cannot start " + program + ": " + std::strerror(error));
    }
}

ChildProcess::~ChildProcess() {
    stop();
}

bool ChildProcess::isRunning() {
    if (reaped_) {
        return false;
    }
    int status = 0;
    const pid_t result = waitpid(pid_, &status, WNOHANG);
    if (result == pid_ || (result < 0 && errno == ECHILD)) {
        reaped_ = true;
    }
    return !reaped_;
}

long long ChildProcess::processorNanoseconds() const {
    // Every thread's time on a processor, in nanoseconds (the first field of each task's
    // schedstat): fine enough to see a few microseconds of work, unlike the clock ticks of
    // /proc/PID/stat. Qt runs helper threads, so the main thread alone is not enough.
    const std::string tasks = "/proc/" + std::to_string(pid_) + "/task";
    DIR* directory = opendir(tasks.c_str());
    if (directory == nullptr) {
        return -1;
    }
    long long total = 0;
    while (const dirent* entry = readdir(directory)) {
        if (entry->d_name[0] == '.') {
            continue;
        }
        std::ifstream schedstat(tasks + "/" + entry->d_name + "/schedstat");
        long long onProcessor = 0;
        if (schedstat >> onProcessor) {
            total += onProcessor;
        }
    }
    closedir(directory);
    return total;
}

bool ChildProcess::waitUntilIdle(Clock::duration quietFor, Clock::time_point deadline) {
    long long last = processorNanoseconds();
    auto quietSince = Clock::now();
    while (Clock::now() < deadline) {
        std::this_thread::sleep_for(kPollInterval);
        if (!isRunning()) {
            return false;
        }
        const long long now = processorNanoseconds();
        if (now != last) {
            last = now;
            quietSince = Clock::now();
        } else if (Clock::now() - quietSince >= quietFor) {
            return true;
        }
    }
    return false;
}

long ChildProcess::statusField(const char* name) const {
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    const std::string prefix = std::string(name) + ":";
    for (std::string line; std::getline(status, line);) {
        if (line.compare(0, prefix.size(), prefix) == 0) {
            std::istringstream value(line.substr(prefix.size()));
            long kib = -1;
            value >> kib;
            return kib;
        }
    }
    return -1;
}

long ChildProcess::residentKiB() const {
    return statusField("VmRSS");
}

long ChildProcess::anonymousResidentKiB() const {
    return statusField("RssAnon");
}

void ChildProcess::stop() {
    if (!isRunning()) {
        return;
    }
    kill(pid_, SIGTERM);
    const auto killAt = Clock::now() + 1s;
    while (isRunning() && Clock::now() < killAt) {
        std::this_thread::sleep_for(kPollInterval);
    }
    if (isRunning()) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        reaped_ = true;
    }
}

} // namespace brellow::bench
