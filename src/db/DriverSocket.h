#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>

namespace brellow::db {

// The TCP socket the driver speaks to the server over, held through a descriptor of the
// component's own. The driver offers no way to end a command whose server has stopped
// answering, not even its cancel; shutting the socket down does, since the driver's next read
// then finds the connection gone. Owning a duplicate descriptor means the socket can never be
// swapped for another file under it, however the driver handles its own descriptor.
class DriverSocket {
public:
    // The identities of the TCP sockets open in this process, taken before connecting so that
    // the driver's new socket can be told from them.
    using Snapshot = std::set<std::uint64_t>;
    static Snapshot OpenSockets();

    // The one TCP socket to `port` that was not open at `before`; nothing when there is none
    // or more than one, for then which is the driver's cannot be told.
    static std::unique_ptr<DriverSocket> FindNew(const Snapshot& before, std::uint16_t port);

    explicit DriverSocket(int ownDescriptor);
    ~DriverSocket();
    DriverSocket(const DriverSocket&) = delete;
    DriverSocket& operator=(const DriverSocket&) = delete;

    // How long ago data last arrived from the server, where the system keeps count.
    std::optional<std::chrono::milliseconds> SinceLastReceive() const;
    // Ends the connection in both directions; the driver's waits return at once.
    void ShutDown() const;

private:
    int descriptor_;
};

} // namespace brellow::db
