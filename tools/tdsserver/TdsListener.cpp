#include "TdsListener.h"

#include "ClientSession.h"
#include "LoopbackSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace brellow::tdsserver {

namespace {

int listenOn(int family, std::uint16_t port, std::string& error) {
    const int fd = LoopbackSocket::bind(family, SOCK_STREAM, port, error);
    if (fd >= 0 && ::listen(fd, 64) != 0) {
        error = std::strerror(errno);
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

TdsListener::TdsListener(const ServerOptions& options, WireLog& log)
    : options_(options), log_(log) {}

TdsListener::~TdsListener() {
    closeAll();
    for (const int fd : listeners_) {
        ::close(fd);
    }
}

bool TdsListener::open(std::string& error) {
    if (options_.encryption != EncryptionSetting::Unsupported || options_.tds8 != Tds8::No) {
        certificate_ =
            options_.certificateFile.empty()
                ? ServerCertificate::generate(
                      {options_.certificateName.empty()
                           ? std::vector<std::string>{"localhost", options_.serverName}
                           : std::vector<std::string>{options_.certificateName},
                       options_.certificateName.empty(), options_.authorityFile,
                       options_.certificateValidity},
                      error)
                : ServerCertificate::load(options_.certificateFile, options_.keyFile, error);
        if (!certificate_) {
            return false;
        }
    }
    const int v4 = listenOn(AF_INET, options_.port, error);
    if (v4 < 0) {
        error = "cannot listen on 127.0.0.1:" + std::to_string(options_.port) + ": " + error;
        return false;
    }
    listeners_.push_back(v4);
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    ::getsockname(v4, reinterpret_cast<sockaddr*>(&bound), &length);
    port_ = ntohs(bound.sin_port);
    std::string ignored;
    const int v6 = listenOn(AF_INET6, port_, ignored);
    if (v6 >= 0) {
        listeners_.push_back(v6);
    }
    return true;
}

void TdsListener::run() {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(options_.lifetimeSeconds);
    std::vector<pollfd> fds;
    for (const int fd : listeners_) {
        fds.push_back({fd, POLLIN, 0});
    }
    while (true) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            break;
        }
        // Wake at least once a second to collect finished connections.
        const int timeout = static_cast<int>(std::min<long long>(left.count(), 1000));
        const int ready = ::poll(fds.data(), fds.size(), timeout);
        if (ready < 0 && errno != EINTR) {
            break;
        }
        for (auto& entry : fds) {
            if (ready > 0 && (entry.revents & POLLIN) != 0) {
                accept(entry.fd);
            }
            entry.revents = 0;
        }
        reapFinished();
    }
    closeAll();
}

void TdsListener::accept(int listener) {
    const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
        return;
    }
    reapFinished();
    if (connections_.size() >= maxConnections) {
        ::close(fd);
        return;
    }
    const int yes = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    Connection connection;
    connection.socket = fd;
    connection.finished = std::make_shared<std::atomic<bool>>(false);
    const std::uint64_t number = nextConnection_++;
    auto finished = connection.finished;
    const ServerOptions& options = options_;
    WireLog& log = log_;
    const ServerCertificate* certificate = certificate_.get();
    try {
        connection.thread = std::thread([fd, number, &options, &log, certificate, finished] {
            ClientSession session(fd, number, options, log, certificate);
            session.run();
            finished->store(true);
        });
    } catch (const std::system_error&) {
        ::close(fd);
        return;
    }
    connections_.push_back(std::move(connection));
}

void TdsListener::reapFinished() {
    for (auto it = connections_.begin(); it != connections_.end();) {
        if (it->finished->load()) {
            it->thread.join();
            ::close(it->socket);
            it = connections_.erase(it);
        } else {
            ++it;
        }
    }
}

void TdsListener::closeAll() {
    for (auto& connection : connections_) {
        ::shutdown(connection.socket, SHUT_RDWR);
    }
    for (auto& connection : connections_) {
        connection.thread.join();
        ::close(connection.socket);
    }
    connections_.clear();
}

} // namespace brellow::tdsserver
