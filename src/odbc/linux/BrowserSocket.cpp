// The browser's socket over POSIX calls.
#include "BrowserSocket.h"

#include <algorithm>
#include <cerrno>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace brellow::odbc {
namespace {

int descriptor(std::intptr_t fd) {
    return static_cast<int>(fd);
}

} // namespace

BrowserSocket::BrowserSocket() = default;

BrowserSocket::~BrowserSocket() {
    if (fd_ >= 0) {
        ::close(descriptor(fd_));
    }
}

BrowserSocket::Opened BrowserSocket::open(const std::string& host, std::uint16_t port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 || !found) {
        return Opened::Unresolved;
    }
    fd_ = ::socket(found->ai_family, found->ai_socktype | SOCK_CLOEXEC, found->ai_protocol);
    const bool connected =
        fd_ >= 0 && ::connect(descriptor(fd_), found->ai_addr, found->ai_addrlen) == 0;
    freeaddrinfo(found);
    return connected ? Opened::Yes : Opened::Failed;
}

bool BrowserSocket::send(const std::string& datagram) {
    return ::send(descriptor(fd_), datagram.data(), datagram.size(), 0) >= 0;
}

long BrowserSocket::receive(char* buffer, std::size_t size, std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd waiting{descriptor(fd_), POLLIN, 0};
        const int ready =
            ::poll(&waiting, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return -1;
        }
        return static_cast<long>(::recv(descriptor(fd_), buffer, size, 0));
    }
}

} // namespace brellow::odbc
