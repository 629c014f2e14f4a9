#include "SqlBrowserResponder.h"

#include "LoopbackSocket.h"

#include <arpa/inet.h>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace brellow::tdsserver {

namespace {

enum RequestType : char {
    BroadcastEx = 0x02,
    UnicastEx = 0x03,
    UnicastInstance = 0x04,
};
constexpr char serverResponse = 0x05;
constexpr int pollMilliseconds = 200;

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

} // namespace

SqlBrowserResponder::SqlBrowserResponder(std::string serverName, std::string instance, WireLog& log)
    : serverName_(std::move(serverName)), instance_(std::move(instance)), log_(log) {}

SqlBrowserResponder::~SqlBrowserResponder() {
    stopping_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
    for (const int fd : sockets_) {
        ::close(fd);
    }
}

std::optional<std::string> SqlBrowserResponder::answer(std::string_view request,
                                                       const std::string& serverName,
                                                       const std::string& instance,
                                                       std::uint16_t tcpPort) {
    if (request.empty()) {
        return std::nullopt;
    }
    if (request[0] == UnicastInstance) {
        std::string_view asked = request.substr(1);
        const auto end = asked.find('\0');
        if (end != std::string_view::npos) {
            asked = asked.substr(0, end);
        }
        if (!sameName(asked, instance)) {
            return std::nullopt;
        }
    } else if (request[0] != UnicastEx && request[0] != BroadcastEx) {
        return std::nullopt;
    }
    const std::string record = "ServerName;" + serverName + ";InstanceName;" + instance +
                               ";IsClustered;No;Version;8.00.2039;tcp;" + std::to_string(tcpPort) +
                               ";;";
    std::string out(1, serverResponse);
    out += static_cast<char>(record.size() & 0xFF);
    out += static_cast<char>((record.size() >> 8) & 0xFF);
    return out + record;
}

bool SqlBrowserResponder::open(std::uint16_t browserPort, std::uint16_t tcpPort,
                               std::string& error) {
    tcpPort_ = tcpPort;
    const int v4 = LoopbackSocket::bind(AF_INET, SOCK_DGRAM, browserPort, error);
    if (v4 < 0) {
        error = "cannot answer browser requests on 127.0.0.1:" + std::to_string(browserPort) +
                ": " + error;
        return false;
    }
    sockets_.push_back(v4);
    std::string ignored;
    const int v6 = LoopbackSocket::bind(AF_INET6, SOCK_DGRAM, browserPort, ignored);
    if (v6 >= 0) {
        sockets_.push_back(v6);
    }
    thread_ = std::thread([this] { serve(); });
    return true;
}

void SqlBrowserResponder::serve() {
    std::vector<pollfd> fds;
    for (const int fd : sockets_) {
        fds.push_back(pollfd{fd, POLLIN, 0});
    }
    while (!stopping_) {
        if (::poll(fds.data(), fds.size(), pollMilliseconds) <= 0) {
            continue;
        }
        for (const pollfd& entry : fds) {
            if (!(entry.revents & POLLIN)) {
                continue;
            }
            char buffer[1024];
            sockaddr_storage from{};
            socklen_t fromLength = sizeof from;
            const ssize_t got = ::recvfrom(entry.fd, buffer, sizeof buffer, 0,
                                           reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (got <= 0) {
                continue;
            }
            const std::string_view request(buffer, static_cast<std::size_t>(got));
            const auto reply = answer(request, serverName_, instance_, tcpPort_);
            log_.message(0, "BROWSER", request.size(),
                         std::string("result=") + (reply ? "answered" : "ignored"));
            if (reply) {
                ::sendto(entry.fd, reply->data(), reply->size(), 0,
                         reinterpret_cast<const sockaddr*>(&from), fromLength);
            }
        }
    }
}

} // namespace brellow::tdsserver
