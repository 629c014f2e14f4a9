#pragma once

#include "trust/CertificateFacts.h"
#include "trust/CertificateProblems.h"

#include <string>

// windows.h first, as wincrypt.h builds on its types.
// clang-format off
#include <windows.h>
#include <wincrypt.h>
// clang-format on

namespace brellow::trust {

// What CryptoAPI tells of a server's certificate: the facts a user is shown, and what a
// driver that validates would find wrong with it, each looked at on its own (a self-signed
// certificate is also told as expired, or made out to another name).
class WindowsCertificate {
public:
    static CertificateFacts facts(PCCERT_CONTEXT certificate);
    // Validated for host against the system's roots, and extraAuthorityFile (a PEM file, or
    // empty) beside them. A certificate chain the server sent along is used to reach a root.
    // `shown`: its facts, for what is wrong with the certificate itself.
    static CertificateProblems problems(PCCERT_CONTEXT certificate, const CertificateFacts& shown,
                                        const std::string& host,
                                        const std::string& extraAuthorityFile);
};

} // namespace brellow::trust
