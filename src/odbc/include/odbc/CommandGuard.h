#pragma once

#include <cstdint>
#include <memory>

namespace brellow::odbc {

// Bounds the wait for a server that stops answering in the middle of a command, where the
// operating system lets the component reach the driver's connection; elsewhere the driver's
// own wait applies.
class CommandGuard {
public:
    // One command's watch; the command ends when it goes.
    class Watch {
    public:
        virtual ~Watch() = default;
        // True once the connection was ended because the server stayed silent.
        virtual bool fired() const = 0;
    };

    virtual ~CommandGuard() = default;
    // Watches a command on a connection to `serverPort` with a command timeout of
    // `timeoutSeconds`; nothing (null) when there is nothing to watch.
    virtual std::unique_ptr<Watch> watch(std::uint16_t serverPort, int timeoutSeconds) = 0;
};

} // namespace brellow::odbc
