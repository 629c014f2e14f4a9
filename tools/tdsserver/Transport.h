#pragma once

#include <cstddef>
#include <cstdint>

namespace brellow::tdsserver {

// Where a connection's TDS packets travel: the plain socket, or a TLS session over it.
class Transport {
public:
    virtual ~Transport() = default;

    // Up to size bytes; 0 at the end of the connection, negative on an error.
    virtual long receive(std::uint8_t* buffer, std::size_t size) = 0;
    // All of the bytes, or false when the peer is gone.
    virtual bool sendAll(const std::uint8_t* data, std::size_t size) = 0;
    // Whether what travels here is protected by TLS.
    virtual bool encrypted() const = 0;
};

} // namespace brellow::tdsserver
