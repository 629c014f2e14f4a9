#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brellow::tdsserver {

// What the server says about encrypting, as the server's configuration decides it.
enum class EncryptionSetting {
    Unsupported, // no certificate: ENCRYPT_NOT_SUP (SQL Server 2000 as installed)
    Off,         // a certificate, not forced: the login alone unless the client asks for more
    On,          // forced: ENCRYPT_ON to every client that can encrypt
    Required,    // forced: ENCRYPT_REQ to a client that offered ENCRYPT_OFF
};

// TDS 8.0 ("strict"): TLS before the first TDS byte, ALPN "tds/8.0", then PRELOGIN and
// everything after it inside TLS.
enum class Tds8 {
    No,       // before SQL Server 2022: a TLS ClientHello is no TDS packet
    Accepted, // SQL Server 2022 and later, Azure SQL: TDS 8.0 and 7.x alike
    Forced,   // "Force Strict Encryption": a TDS 7.x PRELOGIN ends the connection
};

// How one real SQL Server version answers a TDS 7.1 client, from its PRELOGIN to its
// SERVERPROPERTY answers. The build numbers are real ones (see the README for sources).
struct ServerProfile {
    std::string name;
    std::string productVersion;   // SERVERPROPERTY('productversion'), as that version writes it
    std::string productLevel;     // SERVERPROPERTY('productlevel')
    std::string edition;          // SERVERPROPERTY('edition')
    std::uint32_t loginAckTds;    // the TDS version its LOGINACK names to a 7.1 client
    EncryptionSetting encryption; // as installed
    std::vector<std::string> tlsVersions; // what its TLS stack offers, as installed
    bool answersPrelogin;                 // false: it predates PRELOGIN
    bool hasServerProperty;               // false: SERVERPROPERTY is error 195
    bool preloginHasMars;                 // 2005 and later answer the MARS option
    Tds8 tds8 = Tds8::No;

    static std::optional<ServerProfile> byName(std::string_view name);
    static const std::vector<ServerProfile>& all();
};

} // namespace brellow::tdsserver
