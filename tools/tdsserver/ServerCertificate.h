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
    // A certificate valid for a year for the given DNS names (and the loopback addresses,
    // where withLoopback): self-signed, or, where authorityFile is given, signed by a
    // certificate authority made for the purpose, whose certificate is written there (PEM).
    static std::unique_ptr<ServerCertificate> generate(const std::vector<std::string>& dnsNames,
                                                       bool withLoopback,
                                                       const std::string& authorityFile,
                                                       std::string& error);

    gnutls_certificate_credentials_t credentials() const { return credentials_; }

private:
    ServerCertificate() = default;

    gnutls_certificate_credentials_t credentials_ = nullptr;
};

} // namespace brellow::tdsserver
