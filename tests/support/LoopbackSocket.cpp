#include "LoopbackSocket.h"

#include <QDeadlineTimer>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace brellow::testsupport {
namespace {

#ifdef _WIN32
using Native = SOCKET;
void closeNative(Native socket) {
    ::closesocket(socket);
}
int waitReadable(Native socket, int milliseconds) {
    WSAPOLLFD waiting{socket, POLLRDNORM, 0};
    return ::WSAPoll(&waiting, 1, milliseconds);
}
bool startSockets() {
    static const bool started = [] {
        WSADATA data{};
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}
#else
using Native = int;
void closeNative(Native socket) {
    ::close(socket);
}
int waitReadable(Native socket, int milliseconds) {
    pollfd waiting{socket, POLLIN, 0};
    return ::poll(&waiting, 1, milliseconds);
}
bool startSockets() {
    return true;
}
#endif

Native native(std::intptr_t socket) {
    return static_cast<Native>(socket);
}

sockaddr_in loopback(quint16 port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

} // namespace

quint16 LoopbackSocket::unusedPort() {
    if (!startSockets()) {
        return 0;
    }
    const Native socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    const bool bound =
        ::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    closeNative(socket);
    return bound ? ntohs(address.sin_port) : 0;
}

LoopbackSocket::LoopbackSocket(quint16 port) {
    if (!startSockets()) {
        return;
    }
    const Native socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    const sockaddr_in target = loopback(port);
    if (::connect(socket, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) {
        closeNative(socket);
        return;
    }
    socket_ = static_cast<std::intptr_t>(socket);
}

LoopbackSocket::~LoopbackSocket() {
    if (socket_ != -1) {
        closeNative(native(socket_));
    }
}

bool LoopbackSocket::send(const QByteArray& bytes) {
    qsizetype sent = 0;
    while (socket_ != -1 && sent < bytes.size()) {
        const auto n = ::send(native(socket_), bytes.constData() + sent,
                              static_cast<int>(bytes.size() - sent), 0);
        if (n <= 0) {
            return false;
        }
        sent += n;
    }
    return socket_ != -1;
}

std::optional<QByteArray> LoopbackSocket::readLine(int waitMs) {
    QByteArray line;
    const QDeadlineTimer deadline(waitMs);
    while (socket_ != -1) {
        const int left = static_cast<int>(qMax<qint64>(0, deadline.remainingTime()));
        char c = 0;
        if (left == 0 || waitReadable(native(socket_), left) <= 0 ||
            ::recv(native(socket_), &c, 1, 0) != 1) {
            return std::nullopt;
        }
        if (c == '\n') {
            return line;
        }
        line.append(c);
    }
    return std::nullopt;
}

} // namespace brellow::testsupport
