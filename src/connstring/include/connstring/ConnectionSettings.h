#pragma once

#include "connstring/ConnectionStringPair.h"
#include "connstring/DataSourceAddress.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brellow::connstring {

// What an OLE DB connection string for SQLOLEDB asks for, with synonyms resolved and ADO's
// defaults filled in.
class ConnectionSettings {
public:
    static constexpr int kDefaultConnectTimeoutSeconds = 15;
    static constexpr int kDefaultCommandTimeoutSeconds = 30;

    // Raises errors::kBadConnectionString for malformed syntax or an unusable value,
    // errors::kProviderNotFound for a provider other than SQLOLEDB, and errors::kFail for a
    // Data Source no server can be reached by.
    static ConnectionSettings fromConnectionString(std::string_view text);

    const std::string& provider() const noexcept { return provider_; }
    // The Data Source text as written, and where it points.
    const std::string& dataSource() const noexcept { return dataSource_; }
    const DataSourceAddress& address() const noexcept { return address_; }
    bool integratedSecurity() const noexcept { return integratedSecurity_; }
    // Empty under integrated security.
    const std::string& userId() const noexcept { return userId_; }
    const std::string& password() const noexcept { return password_; }
    const std::string& initialCatalog() const noexcept { return initialCatalog_; }
    const std::string& applicationName() const noexcept { return applicationName_; }
    const std::string& workstationId() const noexcept { return workstationId_; }
    const std::string& language() const noexcept { return language_; }
    bool encryptionRequired() const noexcept { return encryptionRequired_; }
    // 0 waits without a limit, as in ADO.
    int connectTimeoutSeconds() const noexcept { return connectTimeoutSeconds_; }
    int commandTimeoutSeconds() const noexcept { return commandTimeoutSeconds_; }

    // The string as ADO hands it back once open: every pair but the password, followed by
    // "Persist Security Info=False".
    const std::string& connectionStringWithoutPassword() const noexcept { return withoutPassword_; }

private:
    void apply(const std::vector<ConnectionStringPair>& pairs);

    std::string provider_;
    std::string dataSource_;
    DataSourceAddress address_;
    bool integratedSecurity_ = false;
    std::string userId_;
    std::string password_;
    std::string initialCatalog_;
    std::string applicationName_;
    std::string workstationId_;
    std::string language_;
    bool encryptionRequired_ = false;
    int connectTimeoutSeconds_ = kDefaultConnectTimeoutSeconds;
    int commandTimeoutSeconds_ = kDefaultCommandTimeoutSeconds;
    std::string withoutPassword_;
};

} // namespace brellow::connstring
