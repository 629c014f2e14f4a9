#pragma once

#include "odbc/LoginTrustHold.h"

#include <string>

namespace brellow::odbc {

// The certificate the user trusted for a server, in a file of its own in the user's temporary
// folder for as long as the login takes, for the driver to compare the server's with
// (ODBC Driver 18's ServerCertificate). Removed when the login is over.
class PinnedCertificateFile final : public LoginTrustHold {
public:
    explicit PinnedCertificateFile(const std::string& pem);
    ~PinnedCertificateFile() override;
    PinnedCertificateFile(const PinnedCertificateFile&) = delete;
    PinnedCertificateFile& operator=(const PinnedCertificateFile&) = delete;

    // Empty when the file could not be written.
    const std::string& path() const { return path_; }

private:
    std::wstring widePath_;
    std::string path_;
};

} // namespace brellow::odbc
