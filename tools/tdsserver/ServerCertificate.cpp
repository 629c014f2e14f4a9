#include "ServerCertificate.h"

#include <array>
#include <cstdio>
#include <ctime>
#include <gnutls/crypto.h>
#include <gnutls/x509.h>

namespace brellow::tdsserver {

namespace {

constexpr unsigned rsaBits = 2048;
constexpr std::time_t validSeconds = 365L * 24 * 3600;

// Frees the GnuTLS objects a generation made, whatever way it ends.
struct KeyAndCertificate {
    gnutls_x509_privkey_t key = nullptr;
    gnutls_x509_crt_t certificate = nullptr;
    ~KeyAndCertificate() {
        if (certificate != nullptr) {
            gnutls_x509_crt_deinit(certificate);
        }
        if (key != nullptr) {
            gnutls_x509_privkey_deinit(key);
        }
    }
};

bool failed(int rc, const char* step, std::string& error) {
    if (rc >= 0) {
        return false;
    }
    error = std::string(step) + ": " + gnutls_strerror(rc);
    return true;
}

// A new RSA key and an empty certificate for it.
bool makeKey(KeyAndCertificate& parts, std::string& error) {
    return !failed(gnutls_x509_privkey_init(&parts.key), "key", error) &&
           !failed(gnutls_x509_privkey_generate(parts.key, GNUTLS_PK_RSA, rsaBits, 0), "RSA key",
                   error) &&
           !failed(gnutls_x509_crt_init(&parts.certificate), "certificate", error);
}

// Version, a random serial, a year's validity, the common name and the key: what every
// certificate made here has.
int describe(gnutls_x509_crt_t crt, const std::string& commonName, gnutls_x509_privkey_t key,
             ServerCertificate::Validity validity = ServerCertificate::Validity::Current) {
    std::array<unsigned char, 16> serial{};
    int rc = gnutls_rnd(GNUTLS_RND_NONCE, serial.data(), serial.size());
    serial[0] &= 0x7F; // a positive number
    constexpr std::time_t day = 24 * 3600;
    std::time_t from = std::time(nullptr);
    switch (validity) {
    case ServerCertificate::Validity::Current:
        break;
    case ServerCertificate::Validity::Expired:
        from -= validSeconds + day;
        break;
    case ServerCertificate::Validity::Future:
        from += day + 3600;
        break;
    }
    if (rc >= 0) {
        rc = gnutls_x509_crt_set_version(crt, 3);
    }
    if (rc >= 0) {
        rc = gnutls_x509_crt_set_serial(crt, serial.data(), serial.size());
    }
    if (rc >= 0) {
        // An hour back, so that a client whose clock runs a little behind accepts it too.
        rc = gnutls_x509_crt_set_activation_time(crt, from - 3600);
    }
    if (rc >= 0) {
        rc = gnutls_x509_crt_set_expiration_time(crt, from + validSeconds);
    }
    if (rc >= 0) {
        rc = gnutls_x509_crt_set_dn_by_oid(crt, GNUTLS_OID_X520_COMMON_NAME, 0, commonName.data(),
                                           static_cast<unsigned>(commonName.size()));
    }
    if (rc >= 0) {
        rc = gnutls_x509_crt_set_key(crt, key);
    }
    return rc;
}

bool writePem(gnutls_x509_crt_t crt, const std::string& path, std::string& error) {
    gnutls_datum_t pem{};
    if (failed(gnutls_x509_crt_export2(crt, GNUTLS_X509_FMT_PEM, &pem), "PEM", error)) {
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    const bool written = file != nullptr && std::fwrite(pem.data, 1, pem.size, file) == pem.size;
    const bool closed = file != nullptr && std::fclose(file) == 0;
    gnutls_free(pem.data);
    if (!written || !closed) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

} // namespace

ServerCertificate::~ServerCertificate() {
    if (credentials_ != nullptr) {
        gnutls_certificate_free_credentials(credentials_);
    }
}

std::unique_ptr<ServerCertificate> ServerCertificate::load(const std::string& certificateFile,
                                                           const std::string& keyFile,
                                                           std::string& error) {
    std::unique_ptr<ServerCertificate> result(new ServerCertificate);
    if (failed(gnutls_certificate_allocate_credentials(&result->credentials_), "credentials",
               error) ||
        failed(gnutls_certificate_set_x509_key_file(result->credentials_, certificateFile.c_str(),
                                                    keyFile.c_str(), GNUTLS_X509_FMT_PEM),
               ("cannot use " + certificateFile + " with " + keyFile).c_str(), error)) {
        return nullptr;
    }
    return result;
}

std::unique_ptr<ServerCertificate>
ServerCertificate::generate(const Request& request, std::string& error) {
    const std::vector<std::string>& dnsNames = request.dnsNames;
    const bool withLoopback = request.withLoopback;
    const std::string& authorityFile = request.authorityFile;
    KeyAndCertificate server;
    if (!makeKey(server, error)) {
        return nullptr;
    }
    const std::string commonName = dnsNames.empty() ? std::string("localhost") : dnsNames.front();
    int rc = describe(server.certificate, commonName, server.key, request.validity);
    for (const std::string& name : dnsNames) {
        if (rc >= 0) {
            rc = gnutls_x509_crt_set_subject_alt_name(
                server.certificate, GNUTLS_SAN_DNSNAME, name.data(),
                static_cast<unsigned>(name.size()), GNUTLS_FSAN_APPEND);
        }
    }
    static constexpr unsigned char v4[4] = {127, 0, 0, 1};
    static constexpr unsigned char v6[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    if (rc >= 0 && withLoopback) {
        rc = gnutls_x509_crt_set_subject_alt_name(server.certificate, GNUTLS_SAN_IPADDRESS, v4,
                                                  sizeof v4, GNUTLS_FSAN_APPEND);
    }
    if (rc >= 0 && withLoopback) {
        rc = gnutls_x509_crt_set_subject_alt_name(server.certificate, GNUTLS_SAN_IPADDRESS, v6,
                                                  sizeof v6, GNUTLS_FSAN_APPEND);
    }
    if (rc >= 0) {
        rc = gnutls_x509_crt_set_key_usage(server.certificate, GNUTLS_KEY_DIGITAL_SIGNATURE |
                                                                   GNUTLS_KEY_KEY_ENCIPHERMENT);
    }
    if (rc >= 0) {
        rc = gnutls_x509_crt_set_key_purpose_oid(server.certificate, GNUTLS_KP_TLS_WWW_SERVER, 0);
    }
    if (rc >= 0) {
        rc = gnutls_x509_crt_set_basic_constraints(server.certificate, 0, -1);
    }
    if (failed(rc, "server certificate", error)) {
        return nullptr;
    }

    if (authorityFile.empty()) {
        rc = gnutls_x509_crt_sign2(server.certificate, server.certificate, server.key,
                                   GNUTLS_DIG_SHA256, 0);
        if (failed(rc, "self-signed certificate", error)) {
            return nullptr;
        }
    } else {
        // A certificate authority made for this run alone: a client that is given its
        // certificate validates the server's as it would one signed by a real authority.
        KeyAndCertificate authority;
        if (!makeKey(authority, error)) {
            return nullptr;
        }
        rc = describe(authority.certificate, "Brellow test authority", authority.key);
        if (rc >= 0) {
            rc = gnutls_x509_crt_set_key_usage(authority.certificate,
                                               GNUTLS_KEY_KEY_CERT_SIGN | GNUTLS_KEY_CRL_SIGN);
        }
        if (rc >= 0) {
            rc = gnutls_x509_crt_set_basic_constraints(authority.certificate, 1, 0);
        }
        if (rc >= 0) {
            rc = gnutls_x509_crt_sign2(authority.certificate, authority.certificate, authority.key,
                                       GNUTLS_DIG_SHA256, 0);
        }
        if (rc >= 0) {
            rc = gnutls_x509_crt_sign2(server.certificate, authority.certificate, authority.key,
                                       GNUTLS_DIG_SHA256, 0);
        }
        if (failed(rc, "certificate authority", error) ||
            !writePem(authority.certificate, authorityFile, error)) {
            return nullptr;
        }
    }
    std::unique_ptr<ServerCertificate> result(new ServerCertificate);
    if (failed(gnutls_certificate_allocate_credentials(&result->credentials_), "credentials",
               error) ||
        failed(gnutls_certificate_set_x509_key(result->credentials_, &server.certificate, 1,
                                               server.key),
               "credentials", error)) {
        return nullptr;
    }
    return result;
}

} // namespace brellow::tdsserver
