#include "ServerProfile.h"

namespace brellow::tdsserver {

namespace {

constexpr std::uint32_t tds70 = 0x07000000;
constexpr std::uint32_t tds71 = 0x07010000;
// TDS 7.1 revision 1: what SQL Server 2000 SP1 and every later version answer a 7.1 client.
constexpr std::uint32_t tds71rev1 = 0x71000001;

using Versions = std::vector<std::string>;
// Windows' TLS stack under SQL Server before its TLS 1.2 update: TLS 1.0 only.
const Versions tls10{"1.0"};
// Windows Server 2012 and later, with SQL Server builds that have their TLS 1.2 support.
const Versions tls10to12{"1.0", "1.1", "1.2"};
// Azure SQL accepts TLS 1.2 and later only.
const Versions tls12{"1.2"};

} // namespace

const std::vector<ServerProfile>& ServerProfile::all() {
    static const std::vector<ServerProfile> profiles{
        {"sql7", "7.00.1063", "SP4", "Standard Edition", tds70, EncryptionSetting::Unsupported,
         tls10, false, false, false},
        {"2000-rtm", "8.00.194", "RTM", "Standard Edition", tds71, EncryptionSetting::Unsupported,
         tls10, true, true, false},
        {"2000", "8.00.2039", "SP4", "Developer Edition", tds71rev1, EncryptionSetting::Unsupported,
         tls10, true, true, false},
        {"2005", "9.00.5000.00", "SP4", "Developer Edition", tds71rev1, EncryptionSetting::Off,
         tls10, true, true, true},
        {"2008", "10.0.6000.29", "SP4", "Developer Edition (64-bit)", tds71rev1,
         EncryptionSetting::Off, tls10, true, true, true},
        {"2008r2", "10.50.6000.34", "SP3", "Developer Edition (64-bit)", tds71rev1,
         EncryptionSetting::Off, tls10, true, true, true},
        {"2012", "11.0.7001.0", "SP4", "Developer Edition (64-bit)", tds71rev1,
         EncryptionSetting::Off, tls10to12, true, true, true},
        {"2014", "12.0.6024.0", "SP3", "Developer Edition (64-bit)", tds71rev1,
         EncryptionSetting::Off, tls10to12, true, true, true},
        {"2016", "13.0.6300.2", "SP3", "Developer Edition (64-bit)", tds71rev1,
         EncryptionSetting::Off, tls10to12, true, true, true},
        {"2017", "14.0.1000.169", "RTM", "Developer Edition (64-bit)", tds71rev1,
         EncryptionSetting::Off, tls10to12, true, true, true},
        {"2019", "15.0.2000.5", "RTM", "Developer Edition (64-bit)", tds71rev1,
         EncryptionSetting::Off, tls10to12, true, true, true},
        {"2022", "16.0.1000.6", "RTM", "Developer Edition (64-bit)", tds71rev1,
         EncryptionSetting::Off, tls10to12, true, true, true, Tds8::Accepted},
        // The edition most production servers of 2012 and later report.
        {"2025", "17.0.1000.7", "RTM", "Enterprise Edition: Core-based Licensing (64-bit)",
         tds71rev1, EncryptionSetting::Off, tls10to12, true, true, true, Tds8::Accepted},
        // The same two with "Force Strict Encryption" set: TDS 8.0 only.
        {"2022-strict", "16.0.1000.6", "RTM", "Developer Edition (64-bit)", tds71rev1,
         EncryptionSetting::On, tls10to12, true, true, true, Tds8::Forced},
        {"2025-strict", "17.0.1000.7", "RTM", "Enterprise Edition: Core-based Licensing (64-bit)",
         tds71rev1, EncryptionSetting::On, tls10to12, true, true, true, Tds8::Forced},
        // Azure SQL Database and Managed Instance: their own version number (the same as SQL
        // Server 2014 RTM's), the edition that tells them apart, encryption always.
        {"azure", "12.0.2000.8", "RTM", "SQL Azure", tds71rev1, EncryptionSetting::Required, tls12,
         true, true, true, Tds8::Accepted},
    };
    return profiles;
}

std::optional<ServerProfile> ServerProfile::byName(std::string_view name) {
    for (const ServerProfile& profile : all()) {
        if (profile.name == name) {
            return profile;
        }
    }
    return std::nullopt;
}

} // namespace brellow::tdsserver
