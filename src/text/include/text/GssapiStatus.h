#pragma once

#include <cstdint>
#include <string>

namespace brellow::text {

// What a GSSAPI call's status says, in the Kerberos library's own words: the major status's
// messages, then, when there is one, the Kerberos mechanism's minor status, as in
// "Unspecified GSS failure: Server not found in Kerberos database". Linux only.
class GssapiStatus {
public:
    static std::string describe(std::uint32_t major, std::uint32_t minor);
};

} // namespace brellow::text
