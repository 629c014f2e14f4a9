#pragma once

#include "WireLog.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace brellow::tdsserver {

// Answers SQL Server Browser requests (UDP) for one named instance, so that clients can
// reach the server as host\instance. Loopback only, like the server itself.
class SqlBrowserResponder {
public:
    SqlBrowserResponder(std::string serverName, std::string instance, WireLog& log);
    ~SqlBrowserResponder();
    SqlBrowserResponder(const SqlBrowserResponder&) = delete;
    SqlBrowserResponder& operator=(const SqlBrowserResponder&) = delete;

    // Binds browserPort on 127.0.0.1 (and ::1 where the machine has it) and answers, naming
    // tcpPort, until destroyed.
    bool open(std::uint16_t browserPort, std::uint16_t tcpPort, std::string& error);

    // The answer to one request: SVR_RESP, a two-byte length, then the instance's
    // "ServerName;...;tcp;PORT;;" record. Nothing for a request that is not for this
    // instance (CLNT_UCAST_INST) or for all of them (CLNT_UCAST_EX, CLNT_BCAST_EX).
    static std::optional<std::string> answer(std::string_view request,
                                             const std::string& serverName,
                                             const std::string& instance, std::uint16_t tcpPort);

private:
    void serve();

    std::string serverName_;
    std::string instance_;
    WireLog& log_;
    std::uint16_t tcpPort_ = 0;
    std::vector<int> sockets_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

} // namespace brellow::tdsserver
