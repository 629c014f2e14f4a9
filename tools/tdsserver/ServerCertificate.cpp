#include "ServerCertificate.h"

#include <array>
#include <ctime>
#include <gnutls/crypto.h>
#include <gnutls/x509.h>

namespace brellow::tdsserver {

namespace {

constexpr unsigned rsaBits = 2048;
constexpr std::time_t validSeconds = 365L * 24 * 3600;

// Frees the GnuTLS objects a generation made, whatever way it ends.
struct GeneratedParts {
    gnutls_x509_privkey_t key = nullptr;
    gnutls_x509_crt_t certificate = nullptr;
    ~GeneratedParts() {
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
ServerCertificate::generate(const std::vector<std::string>& dnsNames, std::string& error) {
    GeneratedParts parts;
    std::array<unsigned char, 16> serial{};
    if (failed(gnutls_x509_privkey_init(&parts.key), "key", error) ||
        failed(gnutls_x509_privkey_generate(parts.key, GNUTLS_PK_RSA, rsaBits, 0), "RSA key",
               error) ||
        failed(gnutls_x509_crt_init(&parts.certificate), "certificate", error) ||
        failed(gnutls_rnd(GNUTLS_RND_NONCE, serial.data(), serial.size()), "serial", error)) {
        return nullptr;
    }
    serial[0] &= 0x7F; // a positive number
    gnutls_x509_crt_t crt = parts.certificate;
    const std::time_t now = std::time(nullptr);
    const std::string commonName = dnsNames.empty() ? std::string("localhost") : dnsNames.front();
    int rc = gnutls_x509_crt_set_version(crt, 3);
    if (rc >= 0) {
        rc = gnutls_x509_crt_set_serial(crt, serial.data(), serial.size());
    }
    if (rc >= 0) {
        // An hour back, so that a client whose clock runs a little behind accepts it too.
        rc = gnutls_x509_crt_set_activation_time(crt, now - 3600);
    }
    if (rc >= 0) {
        rc = gnutls_x509_crt_set_expiration_time(crt, now + validSeconds);
    }
    if (rc >= 0) {
        rc = gnutls_x509_crt_set_dn_by_oid(crt, GNUTLS_OID_X520_COMMON_NAME, 0, commonName.data(),
                                           static_cast<unsigned>(commonName.size()));
    }
    for (const std::string& name : dnsNames) {
        if (rc >= 0) {
            rc = gnutls_x509_crt_set_subject_alt_name(crt, GNUTLS_SAN_DNSNAME, name.data(),
                                                      static_cast<unsigned>(name.size()),
                                                      GNUTLS_FSAN_APPEND);
        }
    }
    static constexpr unsigned char v4[4] = {127, 0, 0, 1};
    static constexpr unsigned char v6[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    if (rc >= 0) {
        rc = gnutls_x509_crt_set_subject_alt_name(crt, GNUTLS_SAN_IPADDRESS, v4, sizeof v4,
                                                  GNUTLS_FSAN_APPEND);
    }
    if (rc >= 0) {
        rc = gnutls_x509_crt_set_subject_alt_name(crt, GNUTLS_SAN_IPADDRESS, v6, sizeof v6,
                                                  GNUTLS_FSAN_APPEND);
    }
    if (rc >= 0) {
        rc = gnutls_x509_crt_set_key(crt, parts.key);
    }
    if (rc >= 0) {
        rc = gnutls_x509_crt_set_key_usage(crt, GNUTLS_KEY_DIGITAL_SIGNATURE |
                                                    GNUTLS_KEY_KEY_ENCIPHERMENT);
    }
    if (rc >= 0) {
        rc = gnutls_x509_crt_set_key_purpose_oid(crt, GNUTLS_KP_TLS_WWW_SERVER, 0);
    }
    if (rc >= 0) {
        rc = gnutls_x509_crt_set_basic_constraints(crt, 0, -1);
    }
    if (rc >= 0) {
        rc = gnutls_x509_crt_sign2(crt, crt, parts.key, GNUTLS_DIG_SHA256, 0);
    }
    if (failed(rc, "self-signed certificate", error)) {
        return nullptr;
    }
    std::unique_ptr<ServerCertificate> result(new ServerCertificate);
    if (failed(gnutls_certificate_allocate_credentials(&result->credentials_), "credentials",
               error) ||
        failed(gnutls_certificate_set_x509_key(result->credentials_, &crt, 1, parts.key),
               "credentials", error)) {
        return nullptr;
    }
    return result;
}

} // namespace brellow::tdsserver
