#pragma once

#include <cstdint>
#include <string>

namespace brellow::tdsserver {

// A socket bound to a loopback address: the server never listens anywhere else.
class LoopbackSocket {
public:
    // family: AF_INET (127.0.0.1) or AF_INET6 (::1, IPv6 only); type: SOCK_STREAM or
    // SOCK_DGRAM. Answers the descriptor, or -1 with the reason in error.
    static int bind(int family, int type, std::uint16_t port, std::string& error);
};

} // namespace brellow::tdsserver
