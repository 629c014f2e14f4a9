#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace brellow::odbc {

// The TCP sockets of this process that lead to a server's port. The driver offers no way to
// end a command whose server has stopped answering, not even its cancel, and it does not hand
// out its socket; found this way, the socket can be shut down, and the driver's next read
// then finds the connection gone.
class DriverSocket {
public:
    struct Found {
        int descriptor = -1;
        // How long ago data last arrived, and last left, where the system keeps count.
        std::optional<std::chrono::milliseconds> sinceLastReceive;
        std::optional<std::chrono::milliseconds> sinceLastSend;
    };

    static std::vector<Found> toPort(std::uint16_t port);
    // Ends the connection in both directions; every wait on the socket returns at once.
    static void shutDown(int descriptor);
};

} // namespace brellow::odbc
