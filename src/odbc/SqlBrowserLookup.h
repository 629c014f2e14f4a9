#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace brellow::odbc {

// Asks a SQL Server Browser for the TCP port of a named instance. The FreeTDS driver can do
// this itself but waits about 16 s for a browser that doesn't answer, whatever the login
// timeout; asking here keeps the whole open within Connect Timeout. On Windows, where the
// drivers ask themselves, the trust gate needs the port before the login to reach the server.
class SqlBrowserLookup {
public:
    // Raises errors::kFail when no browser answers in time or the instance isn't listed.
    static std::uint16_t lookUpPort(const std::string& host, std::uint16_t browserPort,
                                    const std::string& instance, std::chrono::milliseconds timeout);
};

} // namespace brellow::odbc
