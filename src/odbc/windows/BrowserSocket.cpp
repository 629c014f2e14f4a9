// The browser's socket over Winsock.
#include "BrowserSocket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace brellow::odbc {
namespace {

SOCKET handle(std::intptr_t fd) {
    return static_cast<SOCKET>(fd);
}

} // namespace

BrowserSocket::BrowserSocket() {
    WSADATA data{};
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

BrowserSocket::~BrowserSocket() {
    if (fd_ >= 0) {
        closesocket(handle(fd_));
    }
    if (started_) {
        WSACleanup();
    }
}

BrowserSocket::Opened BrowserSocket::open(const std::string& host, std::uint16_t port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_protocol = IPPROTO_UDP;
    addrinfo* found = nullptr;
    if (!started_ || getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 ||
        found == nullptr) {
        return Opened::Unresolved;
    }
    const SOCKET socket = ::socket(found->ai_family, found->ai_socktype, found->ai_protocol);
    if (socket != INVALID_SOCKET) {
        fd_ = static_cast<std::intptr_t>(socket);
    }
    const bool connected =
        socket != INVALID_SOCKET &&
        ::connect(socket, found->ai_addr, static_cast<int>(found->ai_addrlen)) == 0;
    freeaddrinfo(found);
    return connected ? Opened::Yes : Opened::Failed;
}

bool BrowserSocket::send(const std::string& datagram) {
    return ::send(handle(fd_), datagram.data(), static_cast<int>(datagram.size()), 0) !=
           SOCKET_ERROR;
}

long BrowserSocket::receive(char* buffer, std::size_t size, std::chrono::milliseconds wait) {
    WSAPOLLFD waiting{handle(fd_), POLLIN, 0};
    if (WSAPoll(&waiting, 1, static_cast<INT>(wait.count())) <= 0) {
        return -1;
    }
    return ::recv(handle(fd_), buffer, static_cast<int>(size), 0);
}

} // namespace brellow::odbc
