#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brellow::odbc {

// The SQL Server Browser's resolution protocol (UDP 1434): the request for a named instance's
// TCP port, and the answer.
class SqlBrowserClient {
public:
    static constexpr std::uint16_t kBrowserPort = 1434;

    // The request datagram: CLNT_UCAST_INST, the instance name, a terminating zero.
    static std::string request(std::string_view instance);
    // The TCP port the browser's answer gives for the instance, if any. The answer is
    // SVR_RESP, a 16-bit length, then "ServerName;S;InstanceName;I;...;tcp;1433;;" records.
    static std::optional<std::uint16_t> parseResponse(std::string_view response,
                                                      std::string_view instance);
};

} // namespace brellow::odbc
