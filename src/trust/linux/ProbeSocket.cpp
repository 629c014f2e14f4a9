// The probe's socket over POSIX calls: non-blocking, every wait a poll() bounded by the deadline.
#include "ProbeSocket.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace brellow::trust {
namespace {

int descriptor(std::intptr_t fd) {
    return static_cast<int>(fd);
}

} // namespace

ProbeSocket::~ProbeSocket() {
    if (fd_ >= 0) {
        ::close(descriptor(fd_));
    }
}

bool ProbeSocket::wait(short events) {
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline_ - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut_ = true;
            return false;
        }
        pollfd entry{descriptor(fd_), events, 0};
        const int ready =
            ::poll(&entry, 1, static_cast<int>(std::min<long long>(left.count(), 60000)));
        if (ready > 0) {
            return true;
        }
        if (ready < 0 && errno != EINTR) {
            return false;
        }
    }
}

bool ProbeSocket::connect(const std::string& host, std::uint16_t port, std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int rc = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (rc != 0) {
        error = "cannot find " + host + ": " + ::gai_strerror(rc);
        return false;
    }
    error = "no address of " + host + " answered";
    for (addrinfo* address = found; address != nullptr && !timedOut_; address = address->ai_next) {
        fd_ = ::socket(address->ai_family, address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                       address->ai_protocol);
        if (fd_ < 0) {
            continue;
        }
        if (::connect(descriptor(fd_), address->ai_addr, address->ai_addrlen) == 0 ||
            (errno == EINPROGRESS && wait(POLLOUT))) {
            int failure = 0;
            socklen_t length = sizeof failure;
            ::getsockopt(descriptor(fd_), SOL_SOCKET, SO_ERROR, &failure, &length);
            if (failure == 0) {
                ::freeaddrinfo(found);
                return true;
            }
            error = std::string("cannot connect: ") + std::strerror(failure);
        }
        ::close(descriptor(fd_));
        fd_ = -1;
    }
    ::freeaddrinfo(found);
    return false;
}

bool ProbeSocket::sendAll(const std::uint8_t* data, std::size_t size) {
    std::size_t sent = 0;
    while (sent < size) {
        const ssize_t n = ::send(descriptor(fd_), data + sent, size - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            if (!wait(POLLOUT)) {
                return false;
            }
        } else {
            return false;
        }
    }
    return true;
}

long ProbeSocket::receiveSome(std::uint8_t* buffer, std::size_t size) {
    while (true) {
        const ssize_t n = ::recv(descriptor(fd_), buffer, size, 0);
        if (n >= 0) {
            closedByPeer_ = closedByPeer_ || n == 0;
            return static_cast<long>(n);
        }
        if (errno == ECONNRESET) {
            closedByPeer_ = true;
            return 0;
        }
        if ((errno != EAGAIN && errno != EINTR) || !wait(POLLIN)) {
            return -1;
        }
    }
}

} // namespace brellow::trust
