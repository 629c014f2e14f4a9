#pragma once

#include "ProbeSocket.h"
#include "trust/CertificateProbe.h"

#include <optional>

namespace brellow::trust {

// What every probe does before its TLS handshake, on any system: connect, and (for TDS 7.x)
// the PRELOGIN that asks the server to encrypt.
class ProbeOpening {
public:
    // Nothing when the handshake is to follow; else how the probe ended (no connection, no
    // answer, a server that cannot encrypt).
    static std::optional<CertificateProbe::Result> open(ProbeSocket& socket,
                                                        const CertificateProbe::Request& request);
    static CertificateProbe::Result ended(CertificateProbe::Result::Outcome outcome,
                                          std::string error);
};

} // namespace brellow::trust
