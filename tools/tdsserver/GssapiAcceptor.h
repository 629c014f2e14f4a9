#pragma once

#include <cstdint>
#include <gssapi/gssapi.h>
#include <string>
#include <vector>

namespace brellow::tdsserver {

// The server side of one Kerberos login: the client's SSPI tokens go through
// gss_accept_sec_context against the keys in a keytab, as SQL Server's service account
// checks them. Takes raw Kerberos and SPNEGO tokens alike. One object per login attempt.
class GssapiAcceptor {
public:
    enum class Status { Continue, Complete, Failed };
    struct Step {
        Status status = Status::Failed;
        // The token to send back in an SSPI token: the next leg, or the mutual
        // authentication answer of the last one. May be empty.
        std::vector<std::uint8_t> token;
        // Complete: who the client proved to be, as GSSAPI displays the name (user@REALM).
        std::string principal;
        // Failed: why, in the library's words.
        std::string reason;
    };

    explicit GssapiAcceptor(std::string keytab);
    ~GssapiAcceptor();
    GssapiAcceptor(const GssapiAcceptor&) = delete;
    GssapiAcceptor& operator=(const GssapiAcceptor&) = delete;

    // Takes the next token from the client.
    Step accept(const std::vector<std::uint8_t>& token);

    // The mechanism an initial context token names: "kerberos", "spnego" or "other".
    static std::string mechanismOf(const std::vector<std::uint8_t>& token);

private:
    std::string keytab_;
    gss_cred_id_t credential_ = GSS_C_NO_CREDENTIAL;
    gss_ctx_id_t context_ = GSS_C_NO_CONTEXT;
    bool done_ = false;
};

} // namespace brellow::tdsserver
