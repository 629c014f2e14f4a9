#include "db/SqlBrowserClient.h"

#include "db/ConnectionStringParser.h"
#include "db/DbError.h"
#include "db/ErrorNumbers.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace brellow::db {
namespace {

constexpr char kClientUnicastInstance = 0x04;
constexpr char kServerResponse = 0x05;

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        const auto end = text.find(separator, start);
        if (end == std::string_view::npos) {
            parts.push_back(text.substr(start));
            break;
        }
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

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
    throw DbError(errors::kFail, "The SQL Server Browser on " + host +
                                     " did not tell the port of the instance " + instance + ".");
}

} // namespace

std::string SqlBrowserClient::Request(std::string_view instance) {
    std::string request(1, kClientUnicastInstance);
    request += instance;
    request.push_back('\0');
    return request;
}

std::optional<std::uint16_t> SqlBrowserClient::ParseResponse(std::string_view response,
                                                             std::string_view instance) {
    if (response.size() < 3 || response[0] != kServerResponse) {
        return std::nullopt;
    }
    const std::size_t length =
        static_cast<unsigned char>(response[1]) |
        (static_cast<std::size_t>(static_cast<unsigned char>(response[2])) << 8);
    std::string_view body = response.substr(3, std::min(length, response.size() - 3));
    // One record per instance, each ended by ";;".
    std::size_t start = 0;
    while (start < body.size()) {
        auto end = body.find(";;", start);
        const std::string_view record = body.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        const auto fields = split(record, ';');
        bool matches = false;
        std::optional<std::uint16_t> port;
        for (std::size_t i = 0; i + 1 < fields.size(); i += 2) {
            if (ConnectionStringParser::KeywordsEqual(fields[i], "InstanceName")) {
                matches = ConnectionStringParser::KeywordsEqual(fields[i + 1], instance);
            } else if (ConnectionStringParser::KeywordsEqual(fields[i], "tcp")) {
                unsigned value = 0;
                const std::string_view text = fields[i + 1];
                const auto [ptr, ec] =
                    std::from_chars(text.data(), text.data() + text.size(), value);
                if (ec == std::errc() && ptr == text.data() + text.size() && value > 0 &&
                    value <= 65535) {
                    port = static_cast<std::uint16_t>(value);
                }
            }
        }
        if (matches && port) {
            return port;
        }
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 2;
    }
    return std::nullopt;
}

std::uint16_t SqlBrowserClient::LookUpPort(const std::string& host, std::uint16_t browserPort,
                                           const std::string& instance,
                                           std::chrono::milliseconds timeout) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(browserPort);
    if (getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || !found) {
        throw DbError(errors::kFail, "The server name " + host + " could not be resolved.");
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
    const std::string request = Request(instance);
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
        if (const auto port = ParseResponse(
                std::string_view(buffer.data(), static_cast<std::size_t>(received)), instance)) {
            return *port;
        }
        // A stray or foreign datagram: keep waiting until the deadline.
    }
}

} // namespace brellow::db
