#pragma once

#include "ServerCertificate.h"
#include "ServerProfile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brellow::tdsserver {

// Ways the server can be told to misbehave, so that clients' failure paths can be tested.
enum class FaultMode {
    None,
    NullEdition,     // the edition comes back as a NULL sql_variant
    Sql7,            // SERVERPROPERTY is rejected as SQL Server 7.0 rejects it
    NoRows,          // result sets carry their columns but no row
    DropAtBatch,     // the connection is closed when a batch arrives
    HangAfterLogin,  // batches are never answered; ATTENTION still is
    Frozen,          // after the login nothing is answered, ATTENTION neither
    SilentHandshake, // nothing is ever answered
    BreakTls,        // the TLS handshake stops halfway through the server's first flight
    // Replies the client cannot finish reading, because a length in them runs past their end.
    // ATTENTION is answered, but its DONE only lands inside what the client still waits for.
    NamePastEnd,         // COLMETADATA's last column name counts more characters than follow
    NamePastEndFrozen,   // the same, and ATTENTION is never answered
    ValuePastEnd,        // the last row's last text value counts more bytes than follow
    ValuePastEndFrozen,  // the same, and ATTENTION is never answered
    PacketPastEnd,       // the reply's last packet header counts more bytes than it carries
    PacketPastEndFrozen, // the same, and ATTENTION is never answered
};

// Everything the command line sets.
struct ServerOptions {
    std::uint16_t port = 0;
    std::string user = "sa";
    std::string password;
    std::string edition = "Developer Edition";
    std::string version = "8.00.2039";
    std::string level = "SP4";
    std::string database = "master";
    std::string serverName = "BRELLOW-TEST";
    std::string language = "us_english";
    FaultMode fault = FaultMode::None;
    std::string wireLog;
    // A directory that receives every byte each connection sent, one file per connection.
    std::string rawLog;

    // Encryption: what PRELOGIN answers, the certificate (generated when none is given) and
    // the TLS versions offered.
    EncryptionSetting encryption = EncryptionSetting::Unsupported;
    std::string certificateFile;
    std::string keyFile;
    std::vector<std::string> tlsVersions{"1.0"};
    // Whether a client may, or must, speak TDS 8.0 (TLS first).
    Tds8 tds8 = Tds8::No;
    // Where set, the generated certificate is signed by a throw-away certificate authority,
    // whose certificate is written to this file for clients to trust.
    std::string authorityFile;
    // Where set, the generated certificate is made out to this name alone: not to
    // "localhost", the server name or the loopback addresses.
    std::string certificateName;
    // When the generated certificate is valid: now, a year that has ended, a year to come.
    ServerCertificate::Validity certificateValidity = ServerCertificate::Validity::Current;

    // The real server version being answered as; the flags above override single values.
    std::string profile = "2000";
    std::uint32_t loginAckTds = 0x71000001;
    bool answersPrelogin = true;
    bool preloginHasMars = false;
    int lifetimeSeconds = 300;
    std::uint16_t packetSize = 4096;
    // Integrated security. A keytab enables Kerberos (GSSAPI) logins; an NTLM account, the
    // DOMAIN\user logins whose NTLMv2 answer is checked against its password.
    std::string keytab;
    std::string ntlmDomain;
    std::string ntlmUser;
    std::string ntlmPassword;
    // A SQL Server Browser answering for the named instance on this UDP port (0: none).
    std::uint16_t browserPort = 0;
    std::string instance = "BRELLOW";
    bool help = false;

    // Parses the arguments after the program name. On failure returns nothing and
    // describes the problem in error.
    static std::optional<ServerOptions> parse(const std::vector<std::string>& args,
                                              std::string& error);
    static std::optional<FaultMode> faultFromName(std::string_view name);
    // Whether the fault leaves ATTENTION unanswered.
    bool ignoresAttention() const;
    static std::optional<EncryptionSetting> encryptionFromName(std::string_view name);
    // Major, minor and build of the product version text ("10.50.6000.34" gives 10, 50, 6000):
    // what PRELOGIN and LOGINACK carry. Zeros for a text that is no version.
    struct VersionNumbers {
        std::uint8_t major = 0;
        std::uint8_t minor = 0;
        std::uint16_t build = 0;
    };
    VersionNumbers versionNumbers() const;
    // The GnuTLS priority string offering exactly tlsVersions.
    std::string tlsPriority() const;
    // What a TDS 8.0 session offers: TLS 1.2 and 1.3, whatever TDS 7.x offers.
    static std::string strictTlsPriority();
    static std::optional<Tds8> tds8FromName(std::string_view name);
    static std::string usage();
};

} // namespace brellow::tdsserver
