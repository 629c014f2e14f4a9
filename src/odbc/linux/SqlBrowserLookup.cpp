#include "SqlBrowserLookup.h"

#include "SqlBrowserClient.h"
#include "ado/DbError.h"
#include "ado/ErrorNumbers.h"

#include <array>
#include <cerrno>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace brellow::odbc {
namespace {

// Closes the socket however the lookup ends.
class SocketCloser {
public:
    explicit SocketCloser(int fd) : fd_(fd) {}
    ~SocketCloser() { ::close(fd_); }
    SocketCloser(const SocketCloser&) = delete;
    SocketCloser& operator=(const SocketCloser&) = delete;

private:
    int fd_;
};

[[noreturn]] void unavailable(const std::string& host, const std::string& instance) {
    throw ado::DbError(ado::errors::kFail, "The SQL Server Browser on " + host +
                                               " did not tell the port of the instance " +
                                               instance + ".");
}

} // namespace

std::uint16_t SqlBrowserLookup::lookUpPort(const std::string& host, std::uint16_t browserPort,
                                           const std::string& instance,
                                           std::chrono::milliseconds timeout) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(browserPort);
    if (getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || !found) {
        throw ado::DbError(ado::errors::kFail,
                           "The server name " + host + " could not be resolved.");
    }
    const int fd = ::socket(found->ai_family, found->ai_socktype, found->ai_protocol);
    if (fd < 0) {
        freeaddrinfo(found);
        unavailable(host, instance);
    }
    SocketCloser closer(fd);
    // Connected, so that an unreachable port is reported at once instead of timing out.
    const int connected = ::connect(fd, found->ai_addr, found->ai_addrlen);
    freeaddrinfo(found);
    const std::string request = SqlBrowserClient::request(instance);
    if (connected != 0 || ::send(fd, request.data(), request.size(), 0) < 0) {
        unavailable(host, instance);
    }

    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::array<char, 4096> buffer{};
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            unavailable(host, instance);
        }
        pollfd waiting{fd, POLLIN, 0};
        const int ready = ::poll(&waiting, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            unavailable(host, instance);
        }
        const auto received = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (received < 0) {
            unavailable(host, instance);
        }
        if (const auto port = SqlBrowserClient::parseResponse(
                std::string_view(buffer.data(), static_cast<std::size_t>(received)), instance)) {
            return *port;
        }
        // A stray or foreign datagram: keep waiting until the deadline.
    }
}

} // namespace brellow::odbc
