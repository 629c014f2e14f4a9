#pragma once

#include "ServerCertificate.h"
#include "ServerOptions.h"
#include "WireLog.h"

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace brellow::tdsserver {

// Accepts connections on the loopback addresses and serves each on its own thread until
// the server's lifetime is over; then ends every connection and returns.
class TdsListener {
public:
    TdsListener(const ServerOptions& options, WireLog& log);
    ~TdsListener();
    TdsListener(const TdsListener&) = delete;
    TdsListener& operator=(const TdsListener&) = delete;

    // Binds 127.0.0.1 (and ::1 on the same port where the machine has it), after loading or
    // making the certificate a server that encrypts shows.
    bool open(std::string& error);
    std::uint16_t port() const { return port_; }
    // Serves until the lifetime has passed.
    void run();

    // Beyond this many connections at once, new ones are closed straight away.
    static constexpr std::size_t maxConnections = 256;

private:
    struct Connection {
        int socket = -1;
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> finished;
    };

    void accept(int listener);
    void reapFinished();
    void closeAll();

    const ServerOptions& options_;
    WireLog& log_;
    std::unique_ptr<ServerCertificate> certificate_;
    std::vector<int> listeners_;
    std::uint16_t port_ = 0;
    std::uint64_t nextConnection_ = 1;
    std::list<Connection> connections_;
};

} // namespace brellow::tdsserver
