// The certificate probe over GnuTLS, built as a module of its own that the program loads on
// its first probe: linked into the program, GnuTLS and the libraries it brings would be
// loaded, and their memory taken, at every start, for a window that may never log in.
#include "ProbeOpening.h"
#include "ProbeSocket.h"
#include "trust/CertificateProbe.h"

#include <cerrno>
#include <cstring>
#include <gnutls/gnutls.h>
#include <gnutls/x509.h>
#include <memory>

namespace brellow::trust {
namespace {

using Result = CertificateProbe::Result;
using Outcome = Result::Outcome;

constexpr std::uint8_t kPrelogin = 0x12;

// SQL Server offers TLS 1.3 only with TDS 8.0, and servers before their TLS 1.2 updates only
// TLS 1.0: inside PRELOGIN the probe offers what a driver does.
constexpr const char* kInsideTdsPriority =
    "NORMAL:-VERS-TLS1.3:+VERS-TLS1.2:+VERS-TLS1.1:+VERS-TLS1.0:%COMPAT";
constexpr const char* kTlsFirstPriority = "NORMAL:-VERS-ALL:+VERS-TLS1.3:+VERS-TLS1.2";

// Where the handshake's bytes go: into PRELOGIN messages (TDS 7.x) or straight onto the
// socket (TDS 8.0).
struct HandshakeTransport {
    ProbeSocket& socket;
    bool insideTds;
    gnutls_session_t session = nullptr;
    std::vector<std::uint8_t> outgoing;
    std::vector<std::uint8_t> incoming;
    std::size_t used = 0;
};

ssize_t push(gnutls_transport_ptr_t self, const void* data, size_t size) {
    auto& transport = *static_cast<HandshakeTransport*>(self);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (transport.insideTds) {
        // Held until the flight is whole: the server reads one flight as one message.
        transport.outgoing.insert(transport.outgoing.end(), bytes, bytes + size);
        return static_cast<ssize_t>(size);
    }
    if (!transport.socket.sendAll(bytes, size)) {
        gnutls_transport_set_errno(transport.session, EPIPE);
        return -1;
    }
    return static_cast<ssize_t>(size);
}

ssize_t pull(gnutls_transport_ptr_t self, void* data, size_t size) {
    auto& transport = *static_cast<HandshakeTransport*>(self);
    if (!transport.insideTds) {
        const long n = transport.socket.receiveSome(static_cast<std::uint8_t*>(data), size);
        if (n < 0) {
            gnutls_transport_set_errno(transport.session, EIO);
            return -1;
        }
        return n;
    }
    if (!transport.outgoing.empty()) {
        const bool sent = transport.socket.sendMessage(kPrelogin, transport.outgoing);
        transport.outgoing.clear();
        if (!sent) {
            gnutls_transport_set_errno(transport.session, EPIPE);
            return -1;
        }
    }
    while (transport.used >= transport.incoming.size()) {
        if (!transport.socket.receiveMessage(transport.incoming)) {
            if (transport.socket.closedByPeer()) {
                return 0;
            }
            gnutls_transport_set_errno(transport.session, EIO);
            return -1;
        }
        transport.used = 0;
    }
    const std::size_t n = std::min(size, transport.incoming.size() - transport.used);
    std::memcpy(data, transport.incoming.data() + transport.used, n);
    transport.used += n;
    return static_cast<ssize_t>(n);
}

std::string taken(gnutls_datum_t& datum) {
    std::string text(reinterpret_cast<const char*>(datum.data), datum.size);
    gnutls_free(datum.data);
    return text;
}

CertificateFacts factsOf(gnutls_x509_crt_t certificate) {
    CertificateFacts facts;
    gnutls_datum_t datum{};
    if (gnutls_x509_crt_get_dn3(certificate, &datum, 0) >= 0) {
        facts.subject = taken(datum);
    }
    if (gnutls_x509_crt_get_issuer_dn3(certificate, &datum, 0) >= 0) {
        facts.issuer = taken(datum);
    }
    facts.notBefore = gnutls_x509_crt_get_activation_time(certificate);
    facts.notAfter = gnutls_x509_crt_get_expiration_time(certificate);
    unsigned char digest[32];
    std::size_t size = sizeof digest;
    if (gnutls_x509_crt_get_fingerprint(certificate, GNUTLS_DIG_SHA256, digest, &size) >= 0) {
        facts.sha256 = CertificateFacts::hexPairs(digest, size);
    }
    const int algorithm = gnutls_x509_crt_get_pk_algorithm(certificate, &facts.keyBits);
    if (const char* name =
            gnutls_pk_algorithm_get_name(static_cast<gnutls_pk_algorithm_t>(algorithm))) {
        facts.publicKeyAlgorithm = name;
    }
    const int signature = gnutls_x509_crt_get_signature_algorithm(certificate);
    if (const char* name = gnutls_sign_get_name(static_cast<gnutls_sign_algorithm_t>(signature))) {
        facts.signatureAlgorithm = name;
    }
    if (gnutls_x509_crt_export2(certificate, GNUTLS_X509_FMT_PEM, &datum) >= 0) {
        facts.pem = taken(datum);
    }
    return facts;
}

// What a driver that validates would find wrong, each looked at on its own, so that a
// self-signed certificate is also told as expired or made out to another name.
CertificateProblems problemsOf(gnutls_session_t session, gnutls_x509_crt_t certificate,
                               const std::string& host, const CertificateFacts& facts) {
    CertificateProblems problems;
    unsigned status = 0;
    if (gnutls_certificate_verify_peers2(session, &status) < 0) {
        status = GNUTLS_CERT_INVALID;
    }
    if ((status & (GNUTLS_CERT_SIGNER_NOT_FOUND | GNUTLS_CERT_SIGNER_NOT_CA)) != 0) {
        problems.add(CertificateProblems::UnknownAuthority);
    }
    if ((status & (GNUTLS_CERT_SIGNATURE_FAILURE | GNUTLS_CERT_REVOKED |
                   GNUTLS_CERT_SIGNER_CONSTRAINTS_FAILURE)) != 0) {
        problems.add(CertificateProblems::Invalid);
    }
    if (gnutls_x509_crt_check_hostname2(certificate, host.c_str(), 0) == 0) {
        problems.add(CertificateProblems::NameMismatch);
    }
    problems.addOwnProblems(facts, std::time(nullptr));
    return problems;
}

// Frees what a handshake made, however it ends.
struct TlsParts {
    gnutls_certificate_credentials_t credentials = nullptr;
    gnutls_session_t session = nullptr;
    gnutls_x509_crt_t certificate = nullptr;
    ~TlsParts() {
        if (certificate != nullptr) {
            gnutls_x509_crt_deinit(certificate);
        }
        if (session != nullptr) {
            gnutls_deinit(session);
        }
        if (credentials != nullptr) {
            gnutls_certificate_free_credentials(credentials);
        }
    }
};

Result handshake(ProbeSocket& socket, const CertificateProbe::Request& request) {
    TlsParts parts;
    HandshakeTransport transport{socket, !request.tlsFirst, nullptr, {}, {}, 0};
    if (gnutls_certificate_allocate_credentials(&parts.credentials) < 0 ||
        gnutls_init(&parts.session, GNUTLS_CLIENT) < 0) {
        return ProbeOpening::ended(Outcome::Failed, "TLS could not be set up");
    }
    // The roots are only consulted after the handshake: the probe must see any certificate.
    gnutls_certificate_set_x509_system_trust(parts.credentials);
    if (!request.extraAuthorityFile.empty() &&
        gnutls_certificate_set_x509_trust_file(
            parts.credentials, request.extraAuthorityFile.c_str(), GNUTLS_X509_FMT_PEM) < 0) {
        return ProbeOpening::ended(Outcome::Failed, "cannot read " + request.extraAuthorityFile);
    }
    const char* errorAt = nullptr;
    gnutls_priority_set_direct(parts.session,
                               request.tlsFirst ? kTlsFirstPriority : kInsideTdsPriority, &errorAt);
    gnutls_credentials_set(parts.session, GNUTLS_CRD_CERTIFICATE, parts.credentials);
    gnutls_server_name_set(parts.session, GNUTLS_NAME_DNS, request.host.data(),
                           request.host.size());
    if (request.tlsFirst) {
        static const unsigned char kTds8[] = {'t', 'd', 's', '/', '8', '.', '0'};
        const gnutls_datum_t protocol{const_cast<unsigned char*>(kTds8), sizeof kTds8};
        gnutls_alpn_set_protocols(parts.session, &protocol, 1, 0);
    }
    transport.session = parts.session;
    gnutls_transport_set_ptr(parts.session, &transport);
    gnutls_transport_set_push_function(parts.session, push);
    gnutls_transport_set_pull_function(parts.session, pull);

    int rc = 0;
    do {
        rc = gnutls_handshake(parts.session);
    } while (rc < 0 && gnutls_error_is_fatal(rc) == 0);
    if (rc < 0) {
        if (socket.timedOut()) {
            return ProbeOpening::ended(Outcome::TimedOut,
                                       "the server did not finish the TLS handshake in time");
        }
        if (request.tlsFirst && socket.closedByPeer()) {
            return ProbeOpening::ended(Outcome::Refused,
                                       "the server ended the connection: it does not "
                                       "speak TDS 8.0");
        }
        return ProbeOpening::ended(Outcome::Failed,
                                   std::string("TLS handshake: ") + gnutls_strerror(rc));
    }
    unsigned count = 0;
    const gnutls_datum_t* chain = gnutls_certificate_get_peers(parts.session, &count);
    if (chain == nullptr || count == 0 || gnutls_x509_crt_init(&parts.certificate) < 0 ||
        gnutls_x509_crt_import(parts.certificate, &chain[0], GNUTLS_X509_FMT_DER) < 0) {
        return ProbeOpening::ended(Outcome::Failed, "the server showed no certificate");
    }
    Result result;
    result.outcome = Outcome::Certificate;
    result.certificate = factsOf(parts.certificate);
    result.problems =
        problemsOf(parts.session, parts.certificate, request.host, result.certificate);
    if (const char* name = gnutls_protocol_get_name(gnutls_protocol_get_version(parts.session))) {
        result.protocol = name;
    }
    return result;
}

CertificateProbe::Result fetchWithGnutls(const CertificateProbe::Request& request) {
    ProbeSocket socket(request.deadline);
    if (auto ended = ProbeOpening::open(socket, request)) {
        return *ended;
    }
    return handshake(socket, request);
}

} // namespace

} // namespace brellow::trust

// The module's one entry point, which CertificateProbe::fetch finds with dlsym.
extern "C" __attribute__((visibility("default"))) void
brellow_fetch_certificate(const brellow::trust::CertificateProbe::Request* request,
                          brellow::trust::CertificateProbe::Result* result) {
    *result = brellow::trust::fetchWithGnutls(*request);
}
