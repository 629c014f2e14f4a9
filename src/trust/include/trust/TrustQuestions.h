#pragma once

#include "trust/CertificateProbe.h"
#include "trust/Pin.h"

#include <string>

namespace brellow::trust {

// What the user is asked before a login that no certificate vouches for: the window answers
// (in tests, a fake). Each question names the server as the user typed it; `problem` is what
// else the question must say, or empty: what is wrong with the trusted-servers file, and what
// the driver cannot check for itself.
class TrustQuestions {
public:
    struct Choice {
        bool trust = false;
        // Write the pin to the trusted-servers file, not only keep it for the run.
        bool remember = false;
    };

    virtual ~TrustQuestions() = default;

    // A certificate that does not validate, never trusted for this server.
    virtual Choice askUnknown(const std::string& server, const CertificateProbe::Result& shown,
                              const std::string& problem) = 0;
    // A pinned server shows another certificate. The safe answer, sending nothing, is the
    // default; trusting the new one replaces the pin.
    virtual Choice warnChanged(const std::string& server, const Pin& pinned,
                               const CertificateProbe::Result& shown,
                               const std::string& problem) = 0;
    // A server that encrypted (or spoke TDS 8.0) before and now does not. True: log in all
    // the same, as it now offers.
    virtual bool warnDowngrade(const std::string& server, const Pin& pinned) = 0;
    // A server never seen that cannot encrypt: the password would cross in clear. True: send
    // it, and do not ask again this run.
    virtual bool askPlaintext(const std::string& server) = 0;
};

} // namespace brellow::trust
