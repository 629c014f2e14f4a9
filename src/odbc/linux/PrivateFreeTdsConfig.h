#pragma once

#include "odbc/LoginTrustHold.h"

#include <cstdint>
#include <optional>
#include <string>

namespace brellow::odbc {

// A freetds.conf of the component's own for one login, which FreeTDS's ODBC connection string
// cannot say before 1.5: the server, encryption required, and the certificate validated
// against the system's roots for the server's name, or against the one certificate the user
// pinned whatever name it bears. It lies in a private folder, is named to the driver through
// FREETDSCONF while the login lasts, and is removed after; the user's own configuration is
// never read or touched.
class PrivateFreeTdsConfig final : public LoginTrustHold {
public:
    static constexpr const char* kSection = "brellow";

    struct Server {
        std::string host;
        std::uint16_t port = 0;
        // "system" for the system's roots, else a PEM file of trusted authorities; empty:
        // encrypt, but validate nothing (a pinned certificate out of its dates, compared by
        // the trust gate just before).
        std::string authorities;
        // The pinned certificate (PEM); when set, the only one trusted.
        std::string pinnedPem;
        // TDS 8.0: TLS first (FreeTDS 1.5 and later).
        bool strict = false;
    };

    // Raises errors::kBadConnectionString for a host name the file cannot hold, errors::kFail
    // when the files cannot be made.
    explicit PrivateFreeTdsConfig(const Server& server);
    ~PrivateFreeTdsConfig() override;
    PrivateFreeTdsConfig(const PrivateFreeTdsConfig&) = delete;
    PrivateFreeTdsConfig& operator=(const PrivateFreeTdsConfig&) = delete;

    // The configuration's text, for a server.
    static std::string text(const Server& server, const std::string& pinnedFile);

private:
    void removeFiles() noexcept;

    std::string folder_;
    std::optional<std::string> previous_;
};

} // namespace brellow::odbc
