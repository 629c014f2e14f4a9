#pragma once

#include "GssapiAcceptor.h"
#include "NtlmVerifier.h"
#include "ServerOptions.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brellow::tdsserver {

// One integrated-security login, from the SSPI data of LOGIN7 to the verdict: NTLM when the
// client starts with an NTLMSSP NEGOTIATE, Kerberos through GSSAPI otherwise. A server
// without a keytab refuses Kerberos; one without an NTLM account refuses every NTLM answer.
class IntegratedLogin {
public:
    enum class Outcome { Continue, Accepted, Refused };
    struct Step {
        Outcome outcome = Outcome::Refused;
        // For an SSPI token to the client: the next leg, or the last leg's answer (mutual
        // authentication) that goes before the login acknowledgement. May be empty.
        std::vector<std::uint8_t> token;
        // Accepted: the login's name, what SUSER_SNAME() answers.
        std::string login;
        // For the wire log: the mechanism, result=..., then login= or reason=.
        std::string fields;
    };

    explicit IntegratedLogin(const ServerOptions& options);

    // The SSPI data of the LOGIN7 message.
    Step start(const std::vector<std::uint8_t>& token);
    // The data of a later SSPI message.
    Step next(const std::vector<std::uint8_t>& token);

private:
    Step kerberos(const std::vector<std::uint8_t>& token);
    Step ntlm(const std::vector<std::uint8_t>& token);

    const ServerOptions& options_;
    std::string mechanism_;
    std::unique_ptr<GssapiAcceptor> acceptor_;
    std::optional<NtlmVerifier> verifier_;
};

} // namespace brellow::tdsserver
