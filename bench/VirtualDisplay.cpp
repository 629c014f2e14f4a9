#include "VirtualDisplay.h"

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>

namespace brellow::bench {
namespace {

// Owns a descriptor for the length of a scope.
struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0) {
            close(fd);
        }
    }
};

} // namespace

VirtualDisplay::VirtualDisplay() {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        throw std::runtime_error("cannot make a pipe for Xvfb");
    }
    Descriptor reading{ends[0]};
    {
        Descriptor writing{ends[1]};
        // 96 dpi, as the layouts were drawn for; no TCP, so nothing outside can connect.
        server_ = std::make_unique<ChildProcess>(
            "/usr/bin/Xvfb",
            std::vector<std::string>{"-displayfd", std::to_string(writing.fd), "-screen", "0",
                                     "1024x768x24", "-dpi", "96", "-nolisten", "tcp"},
            std::vector<std::string>{}, writing.fd);
    }
    // Xvfb writes the number and a newline once it accepts connections.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::string number;
    while (number.empty() || number.back() != '\n') {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd ready{reading.fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
            throw std::runtime_error("Xvfb did not start within 20 s");
        }
        char chunk[16];
        const ssize_t got = read(reading.fd, chunk, sizeof chunk);
        if (got <= 0) {
            throw std::runtime_error("Xvfb ended without naming its display");
        }
        number.append(chunk, static_cast<std::size_t>(got));
    }
    number.pop_back();
    name_ = ":" + number;
}

} // namespace brellow::bench
