#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace brellow::odbc {

// The UDP socket a SQL Server Browser is asked on, connected to one browser, so that an
// unreachable port is reported at once instead of timing out. Over each system's sockets:
// linux/, windows/.
class BrowserSocket {
public:
    BrowserSocket();
    ~BrowserSocket();
    BrowserSocket(const BrowserSocket&) = delete;
    BrowserSocket& operator=(const BrowserSocket&) = delete;

    enum class Opened { Yes, Unresolved, Failed };
    Opened open(const std::string& host, std::uint16_t port);
    bool send(const std::string& datagram);
    // One datagram into buffer: its size, or -1 when none came within `wait` or on an error.
    long receive(char* buffer, std::size_t size, std::chrono::milliseconds wait);

private:
    // A file descriptor, or a Windows SOCKET; -1 when none is open.
    std::intptr_t fd_ = -1;
    bool started_ = false;
};

} // namespace brellow::odbc
