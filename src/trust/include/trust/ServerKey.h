#pragma once

#include <cstdint>
#include <string>

namespace brellow::trust {

// The name a server's pin is kept under: the host and the instance name ("host\instance"),
// or the host and the port ("host:1433"), with the host in lower case. The host is the one
// the user typed: a certificate is trusted for that name, not for an address it resolves to.
class ServerKey {
public:
    static std::string of(const std::string& host, const std::string& instance, std::uint16_t port);
};

} // namespace brellow::trust
