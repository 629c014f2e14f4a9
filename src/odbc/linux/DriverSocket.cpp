#include "DriverSocket.h"

#include <array>
#include <cstdlib>
#include <dirent.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>

namespace brellow::odbc {
namespace {

std::uint16_t peerPortOf(int descriptor) {
    int type = 0;
    socklen_t typeLength = sizeof type;
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    if (::getsockopt(descriptor, SOL_SOCKET, SO_TYPE, &type, &typeLength) != 0 ||
        type != SOCK_STREAM ||
        ::getpeername(descriptor, reinterpret_cast<sockaddr*>(&peer), &length) != 0) {
        return 0;
    }
    if (peer.ss_family == AF_INET) {
        return ntohs(reinterpret_cast<const sockaddr_in&>(peer).sin_port);
    }
    if (peer.ss_family == AF_INET6) {
        return ntohs(reinterpret_cast<const sockaddr_in6&>(peer).sin6_port);
    }
    return 0;
}

DriverSocket::Found describe(int descriptor) {
    DriverSocket::Found found{descriptor, std::nullopt, std::nullopt};
#ifdef TCP_INFO
    tcp_info info{};
    socklen_t length = sizeof info;
    if (::getsockopt(descriptor, IPPROTO_TCP, TCP_INFO, &info, &length) == 0) {
        found.sinceLastReceive = std::chrono::milliseconds(info.tcpi_last_data_recv);
        found.sinceLastSend = std::chrono::milliseconds(info.tcpi_last_data_sent);
    }
#endif
    return found;
}

} // namespace

std::vector<DriverSocket::Found> DriverSocket::toPort(std::uint16_t port) {
    std::vector<Found> found;
    DIR* folder = ::opendir("/proc/self/fd");
    if (folder == nullptr) {
        return found;
    }
    const int own = ::dirfd(folder);
    constexpr std::string_view kSocket = "socket:[";
    while (const dirent* entry = ::readdir(folder)) {
        char* rest = nullptr;
        const long number = std::strtol(entry->d_name, &rest, 10);
        if (rest == entry->d_name || *rest != '\0' || number == own) {
            continue;
        }
        std::array<char, 64> target{};
        const ssize_t length = ::readlinkat(own, entry->d_name, target.data(), target.size() - 1);
        if (length <= 0 || std::string_view(target.data(), static_cast<std::size_t>(length))
                                   .substr(0, kSocket.size()) != kSocket) {
            continue;
        }
        const int descriptor = static_cast<int>(number);
        if (peerPortOf(descriptor) == port) {
            found.push_back(describe(descriptor));
        }
    }
    ::closedir(folder);
    return found;
}

void DriverSocket::shutDown(int descriptor) {
    ::shutdown(descriptor, SHUT_RDWR);
}

} // namespace brellow::odbc
