#include "db/DriverSocket.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace brellow::db {
namespace {

struct TcpSocket {
    int descriptor = -1;
    std::uint64_t identity = 0;
    std::uint16_t peerPort = 0;
};

std::uint16_t peerPortOf(int descriptor) {
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    if (::getpeername(descriptor, reinterpret_cast<sockaddr*>(&peer), &length) != 0) {
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

// The connected TCP sockets among this process's descriptors.
std::vector<TcpSocket> tcpSockets() {
    std::vector<int> descriptors;
    std::error_code error;
    for (std::filesystem::directory_iterator entry("/proc/self/fd", error), end;
         !error && entry != end; entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        char* rest = nullptr;
        const long number = std::strtol(name.c_str(), &rest, 10);
        if (rest != name.c_str() && *rest == '\0') {
            descriptors.push_back(static_cast<int>(number));
        }
    }
    std::vector<TcpSocket> sockets;
    for (const int descriptor : descriptors) {
        struct stat status {};
        int type = 0;
        socklen_t typeLength = sizeof type;
        if (::fstat(descriptor, &status) != 0 || !S_ISSOCK(status.st_mode) ||
            ::getsockopt(descriptor, SOL_SOCKET, SO_TYPE, &type, &typeLength) != 0 ||
            type != SOCK_STREAM) {
            continue;
        }
        const std::uint16_t port = peerPortOf(descriptor);
        if (port != 0) {
            sockets.push_back({descriptor, static_cast<std::uint64_t>(status.st_ino), port});
        }
    }
    return sockets;
}

} // namespace

DriverSocket::Snapshot DriverSocket::OpenSockets() {
    Snapshot identities;
    for (const TcpSocket& socket : tcpSockets()) {
        identities.insert(socket.identity);
    }
    return identities;
}

std::unique_ptr<DriverSocket> DriverSocket::FindNew(const Snapshot& before, std::uint16_t port) {
    int found = -1;
    for (const TcpSocket& socket : tcpSockets()) {
        if (socket.peerPort != port || before.count(socket.identity) != 0) {
            continue;
        }
        if (found != -1) {
            return nullptr;
        }
        found = socket.descriptor;
    }
    if (found == -1) {
        return nullptr;
    }
    const int own = ::fcntl(found, F_DUPFD_CLOEXEC, 0);
    return own == -1 ? nullptr : std::make_unique<DriverSocket>(own);
}

DriverSocket::DriverSocket(int ownDescriptor) : descriptor_(ownDescriptor) {}

DriverSocket::~DriverSocket() {
    ::close(descriptor_);
}

std::optional<std::chrono::milliseconds> DriverSocket::SinceLastReceive() const {
#ifdef TCP_INFO
    tcp_info info{};
    socklen_t length = sizeof info;
    if (::getsockopt(descriptor_, IPPROTO_TCP, TCP_INFO, &info, &length) == 0) {
        return std::chrono::milliseconds(info.tcpi_last_data_recv);
    }
#endif
    return std::nullopt;
}

void DriverSocket::ShutDown() const {
    ::shutdown(descriptor_, SHUT_RDWR);
}

} // namespace brellow::db
