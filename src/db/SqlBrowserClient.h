#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brellow::db {

// Asks a SQL Server Browser (UDP 1434) for the TCP port of a named instance. The FreeTDS
// driver can do this itself but waits about 16 s for a browser that doesn't answer, whatever
// the login timeout; asking here keeps the whole open within Connect Timeout.
class SqlBrowserClient {
public:
    static constexpr std::uint16_t kBrowserPort = 1434;

    // Raises errors::kFail when no browser answers in time or the instance isn't listed.
    static std::uint16_t LookUpPort(const std::string& host, std::uint16_t browserPort,
                                    const std::string& instance, std::chrono::milliseconds timeout);

    // The request datagram: CLNT_UCAST_INST, the instance name, a terminating zero.
    static std::string Request(std::string_view instance);
    // The TCP port the browser's answer gives for the instance, if any. The answer is
    // SVR_RESP, a 16-bit length, then "ServerName;S;InstanceName;I;...;tcp;1433;;" records.
    static std::optional<std::uint16_t> ParseResponse(std::string_view response,
                                                      std::string_view instance);
};

} // namespace brellow::db
