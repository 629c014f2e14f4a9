#include "GssapiAcceptor.h"

#include "text/GssapiStatus.h"

#include <algorithm>
#include <cstring>
#include <gssapi/gssapi_ext.h>
#include <gssapi/gssapi_krb5.h>

namespace brellow::tdsserver {

namespace {

// DER encodings of the mechanism identifiers an initial token may carry.
constexpr std::uint8_t kerberosOid[] = {0x2a, 0x86, 0x48, 0x86, 0xf7, 0x12, 0x01, 0x02, 0x02};
// Windows clients also send Kerberos under Microsoft's own, mistyped identifier.
constexpr std::uint8_t microsoftKerberosOid[] = {0x2a, 0x86, 0x48, 0x82, 0xf7,
                                                 0x12, 0x01, 0x02, 0x02};
constexpr std::uint8_t spnegoOid[] = {0x2b, 0x06, 0x01, 0x05, 0x05, 0x02};

} // namespace

GssapiAcceptor::GssapiAcceptor(std::string keytab) : keytab_(std::move(keytab)) {}

GssapiAcceptor::~GssapiAcceptor() {
    OM_uint32 minor = 0;
    if (context_ != GSS_C_NO_CONTEXT) {
        gss_delete_sec_context(&minor, &context_, GSS_C_NO_BUFFER);
    }
    if (credential_ != GSS_C_NO_CREDENTIAL) {
        gss_release_cred(&minor, &credential_);
    }
}

GssapiAcceptor::Step GssapiAcceptor::accept(const std::vector<std::uint8_t>& token) {
    Step step;
    if (done_) {
        step.reason = "the security context is already established or failed";
        return step;
    }
    OM_uint32 minor = 0;
    if (credential_ == GSS_C_NO_CREDENTIAL) {
        // Any service principal in the keytab may be asked for, as with a service account
        // that carries several SPNs; the keytab is read afresh for every login.
        gss_key_value_element_desc element{"keytab", keytab_.c_str()};
        const gss_key_value_set_desc store{1, &element};
        const OM_uint32 major =
            gss_acquire_cred_from(&minor, GSS_C_NO_NAME, GSS_C_INDEFINITE, GSS_C_NO_OID_SET,
                                  GSS_C_ACCEPT, &store, &credential_, nullptr, nullptr);
        if (GSS_ERROR(major)) {
            credential_ = GSS_C_NO_CREDENTIAL;
            done_ = true;
            step.reason = text::GssapiStatus::describe(major, minor);
            return step;
        }
    }

    gss_buffer_desc input{token.size(), const_cast<std::uint8_t*>(token.data())};
    gss_buffer_desc output{0, nullptr};
    gss_name_t client = GSS_C_NO_NAME;
    const OM_uint32 major =
        gss_accept_sec_context(&minor, &context_, credential_, &input, GSS_C_NO_CHANNEL_BINDINGS,
                               &client, nullptr, &output, nullptr, nullptr, nullptr);
    OM_uint32 ignored = 0;
    if (output.length > 0) {
        const auto* bytes = static_cast<const std::uint8_t*>(output.value);
        step.token.assign(bytes, bytes + output.length);
    }
    gss_release_buffer(&ignored, &output);

    if (GSS_ERROR(major)) {
        done_ = true;
        step.reason = text::GssapiStatus::describe(major, minor);
    } else if (major & GSS_S_CONTINUE_NEEDED) {
        step.status = Status::Continue;
    } else {
        done_ = true;
        gss_buffer_desc name{0, nullptr};
        if (!GSS_ERROR(gss_display_name(&minor, client, &name, nullptr))) {
            step.principal.assign(static_cast<const char*>(name.value), name.length);
            gss_release_buffer(&ignored, &name);
        }
        if (step.principal.empty()) {
            step.reason = "the client's name could not be read";
        } else {
            step.status = Status::Complete;
        }
    }
    if (client != GSS_C_NO_NAME) {
        gss_release_name(&ignored, &client);
    }
    return step;
}

std::string GssapiAcceptor::mechanismOf(const std::vector<std::uint8_t>& token) {
    // [APPLICATION 0] with a DER length, then the mechanism's OBJECT IDENTIFIER.
    if (token.size() < 2 || token[0] != 0x60) {
        return "other";
    }
    std::size_t at = 2;
    if (token[1] & 0x80) {
        at += token[1] & 0x7f;
    }
    if (at + 2 > token.size() || token[at] != 0x06) {
        return "other";
    }
    const std::size_t length = token[at + 1];
    const std::uint8_t* oid = token.data() + at + 2;
    if (at + 2 + length > token.size()) {
        return "other";
    }
    const auto is = [&](const auto& known) {
        return length == sizeof known && std::memcmp(oid, known, length) == 0;
    };
    if (is(kerberosOid) || is(microsoftKerberosOid)) {
        return "kerberos";
    }
    if (is(spnegoOid)) {
        return "spnego";
    }
    return "other";
}

} // namespace brellow::tdsserver
