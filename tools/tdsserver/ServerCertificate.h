#pragma once

#include <gnutls/gnutls.h>
#include <memory>
#include <string>
#include <vector>

namespace brellow::tdsserver {

// The certificate and private key the server shows in TLS handshakes: loaded from PEM files,
// or made at start as a self-signed RSA certificate for the names a client uses to reach it
// (as every SQL Server since 2005 makes one when it is given none).
class ServerCertificate {
public:
    ~ServerCertificate();
    ServerCertificate(const ServerCertificate&) = delete;
    ServerCertificate& operator=(const ServerCertificate&) = delete;

    // Nothing, with error saying why, when a file cannot be read or the two do not match.
    static std::unique_ptr<ServerCertificate> load(const std::string& certificateFile,
                                                   const std::string& keyFile, std::string& error);
    // When a generated certificate is valid.
    enum class Validity {
        Current, // from an hour ago for a year
        Expired, // for a year that ended yesterday
        Future,  // for a year from tomorrow
    };

    struct Request {
        std::vector<std::string> dnsNames;
        // The loopback addresses too.
        bool withLoopback = true;
        // Where set, a certificate authority made for the purpose signs it, and its own
        // certificate is written here (PEM); otherwise it is self-signed.
        std::string authorityFile;
        Validity validity = Validity::Current;
    };

    static std::unique_ptr<ServerCertificate> generate(const Request& request, std::string& error);

    gnutls_certificate_credentials_t credentials() const { return credentials_; }

private:
    ServerCertificate() = default;

    gnutls_certificate_credentials_t credentials_ = nullptr;
};

} // namespace brellow::tdsserver
