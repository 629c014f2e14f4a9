// The probe's socket over Winsock: non-blocking, every wait a WSAPoll() bounded by the deadline.
#include "ProbeSocket.h"

#include <algorithm>
#include <winsock2.h>
#include <ws2tcpip.h>

namespace brellow::trust {
namespace {

SOCKET handle(std::intptr_t fd) {
    return static_cast<SOCKET>(fd);
}

// Winsock counts its users: each probe socket is one, from connect() to its end.
bool startWinsock() {
    WSADATA data{};
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

} // namespace

ProbeSocket::~ProbeSocket() {
    if (fd_ >= 0) {
        closesocket(handle(fd_));
        WSACleanup();
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
        WSAPOLLFD entry{handle(fd_), events, 0};
        const int ready =
            WSAPoll(&entry, 1, static_cast<INT>(std::min<long long>(left.count(), 60000)));
        if (ready > 0) {
            return true;
        }
        if (ready < 0) {
            return false;
        }
    }
}

bool ProbeSocket::connect(const std::string& host, std::uint16_t port, std::string& error) {
    if (!startWinsock()) {
        error = "Windows Sockets cannot be started";
        return false;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) {
        error = "cannot find " + host;
        WSACleanup();
        return false;
    }
    error = "no address of " + host + " answered";
    for (addrinfo* address = found; address != nullptr && !timedOut_; address = address->ai_next) {
        const SOCKET socket =
            ::socket(address->ai_family, address->ai_socktype, address->ai_protocol);
        if (socket == INVALID_SOCKET) {
            continue;
        }
        fd_ = static_cast<std::intptr_t>(socket);
        u_long nonBlocking = 1;
        ioctlsocket(socket, FIONBIO, &nonBlocking);
        if (::connect(socket, address->ai_addr, static_cast<int>(address->ai_addrlen)) == 0 ||
            (WSAGetLastError() == WSAEWOULDBLOCK && wait(POLLOUT))) {
            int failure = 0;
            int length = sizeof failure;
            getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&failure), &length);
            if (failure == 0) {
                freeaddrinfo(found);
                return true;
            }
            error = "cannot connect: Windows Sockets error " + std::to_string(failure);
        }
        closesocket(socket);
        fd_ = -1;
    }
    freeaddrinfo(found);
    WSACleanup();
    return false;
}

bool ProbeSocket::sendAll(const std::uint8_t* data, std::size_t size) {
    std::size_t sent = 0;
    while (sent < size) {
        const int n = ::send(handle(fd_), reinterpret_cast<const char*>(data + sent),
                             static_cast<int>(std::min<std::size_t>(size - sent, 1 << 20)), 0);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) {
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
        const int n = ::recv(handle(fd_), reinterpret_cast<char*>(buffer),
                             static_cast<int>(std::min<std::size_t>(size, 1 << 20)), 0);
        if (n >= 0) {
            closedByPeer_ = closedByPeer_ || n == 0;
            return n;
        }
        const int failure = WSAGetLastError();
        if (failure == WSAECONNRESET || failure == WSAECONNABORTED) {
            closedByPeer_ = true;
            return 0;
        }
        if (failure != WSAEWOULDBLOCK || !wait(POLLIN)) {
            return -1;
        }
    }
}

} // namespace brellow::trust
