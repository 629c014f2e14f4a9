#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace brellow::connstring {

// Where a "Data Source" points: "host", "host,port", "host\instance", "tcp:host[,port]",
// "(local)", ".", IPv4 and IPv6 literals (an IPv6 literal may be bracketed).
class DataSourceAddress {
public:
    static constexpr std::uint16_t kDefaultPort = 1433;

    // Raises errors::kFail for a form no server can be reached by (the provider refuses it the
    // same way as an unreachable server).
    static DataSourceAddress parse(std::string_view dataSource);

    // The host to connect to: a name or an address literal, without brackets.
    const std::string& host() const noexcept { return host_; }
    // The port to connect to; 0 when a named instance is to be looked up through the
    // SQL Server Browser (UDP 1434).
    std::uint16_t port() const noexcept { return port_; }
    // The named instance, or empty for the default one.
    const std::string& instance() const noexcept { return instance_; }
    bool isLocal() const noexcept { return local_; }

private:
    std::string host_;
    std::uint16_t port_ = kDefaultPort;
    std::string instance_;
    bool local_ = false;
};

} // namespace brellow::connstring
