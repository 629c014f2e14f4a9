#pragma once

#include "trust/CertificateProbe.h"
#include "trust/Pin.h"

namespace brellow::trust {

// What to do before a login, from what the probe found and what the user trusted before:
// go on (and how the certificate is vouched for), ask, warn, or refuse. The questions and
// warnings are the window's to put; nothing is sent until the answer says so.
class TrustPolicy {
public:
    enum class Verdict {
        Validated,     // a chain to a trusted root, for the server's name: go on
        Pinned,        // the certificate the user trusted for this server: go on
        AskUnknown,    // a certificate that does not validate, never trusted here
        WarnChanged,   // a pinned server shows another certificate
        WarnDowngrade, // a server that encrypted before now says it cannot
        AskPlaintext,  // a server never seen that cannot encrypt, and a password to send
        Plaintext,     // nothing secret crosses (integrated security), or the user agreed
        TryStrict,     // the server turned a TDS 7.x PRELOGIN away: it may speak TDS 8.0
        Refused,       // no choice makes it safe (see reason), or the probe failed
    };

    struct Situation {
        const CertificateProbe::Result* probe = nullptr;
        const Pin* pin = nullptr;     // the one trusted for the server, if any
        bool sendsPassword = true;    // false under integrated security
        bool plaintextAgreed = false; // the user agreed this run to a clear-text login
        bool probedStrict = false;    // the probe spoke TDS 8.0
    };

    struct Decision {
        Verdict verdict = Verdict::Refused;
        std::string reason; // for Refused
    };

    static Decision decide(const Situation& situation);
};

} // namespace brellow::trust
