#include "SocketTransport.h"

#include <cerrno>
#include <sys/socket.h>

namespace brellow::tdsserver {

SocketTransport::~SocketTransport() {
    if (record_ != nullptr) {
        std::fclose(record_);
    }
}

bool SocketTransport::recordTo(const std::string& path) {
    if (record_ != nullptr) {
        std::fclose(record_);
    }
    record_ = std::fopen(path.c_str(), "wb");
    return record_ != nullptr;
}

std::optional<std::uint8_t> SocketTransport::peekByte() {
    std::uint8_t byte = 0;
    while (true) {
        const ssize_t n = ::recv(socket_, &byte, 1, MSG_PEEK);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        return n == 1 ? std::optional<std::uint8_t>(byte) : std::nullopt;
    }
}

long SocketTransport::receive(std::uint8_t* buffer, std::size_t size) {
    while (true) {
        const ssize_t n = ::recv(socket_, buffer, size, 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n > 0 && record_ != nullptr) {
            // Flushed at once: a test reads the record while the connection is still open.
            std::fwrite(buffer, 1, static_cast<std::size_t>(n), record_);
            std::fflush(record_);
        }
        return static_cast<long>(n);
    }
}

bool SocketTransport::sendAll(const std::uint8_t* data, std::size_t size) {
    std::size_t sent = 0;
    while (sent < size) {
        const ssize_t w = ::send(socket_, data + sent, size - sent, MSG_NOSIGNAL);
        if (w > 0) {
            sent += static_cast<std::size_t>(w);
        } else if (w < 0 && errno == EINTR) {
            continue;
        } else {
            return false;
        }
    }
    return true;
}

void SocketTransport::shutdown() {
    ::shutdown(socket_, SHUT_RDWR);
}

} // namespace brellow::tdsserver
