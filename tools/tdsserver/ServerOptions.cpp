#include "ServerOptions.h"

#include <charconv>
#include <sstream>

namespace brellow::tdsserver {

namespace {

template <typename Number>
bool parseNumber(const std::string& text, Number minimum, Number maximum, Number& out) {
    Number value{};
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || value < minimum || value > maximum) {
        return false;
    }
    out = value;
    return true;
}

} // namespace

std::optional<FaultMode> ServerOptions::faultFromName(std::string_view name) {
    if (name == "none") {
        return FaultMode::None;
    }
    if (name == "null-edition") {
        return FaultMode::NullEdition;
    }
    if (name == "sql7") {
        return FaultMode::Sql7;
    }
    if (name == "no-rows") {
        return FaultMode::NoRows;
    }
    if (name == "drop-at-batch") {
        return FaultMode::DropAtBatch;
    }
    if (name == "hang-after-login") {
        return FaultMode::HangAfterLogin;
    }
    if (name == "frozen-after-login") {
        return FaultMode::Frozen;
    }
    if (name == "silent-handshake") {
        return FaultMode::SilentHandshake;
    }
    if (name == "break-tls") {
        return FaultMode::BreakTls;
    }
    if (name == "name-past-end") {
        return FaultMode::NamePastEnd;
    }
    if (name == "name-past-end-frozen") {
        return FaultMode::NamePastEndFrozen;
    }
    if (name == "value-past-end") {
        return FaultMode::ValuePastEnd;
    }
    if (name == "value-past-end-frozen") {
        return FaultMode::ValuePastEndFrozen;
    }
    if (name == "packet-past-end") {
        return FaultMode::PacketPastEnd;
    }
    if (name == "packet-past-end-frozen") {
        return FaultMode::PacketPastEndFrozen;
    }
    return std::nullopt;
}

bool ServerOptions::ignoresAttention() const {
    return fault == FaultMode::Frozen || fault == FaultMode::NamePastEndFrozen ||
           fault == FaultMode::ValuePastEndFrozen || fault == FaultMode::PacketPastEndFrozen;
}

std::optional<EncryptionSetting> ServerOptions::encryptionFromName(std::string_view name) {
    if (name == "unsupported") {
        return EncryptionSetting::Unsupported;
    }
    if (name == "off") {
        return EncryptionSetting::Off;
    }
    if (name == "on") {
        return EncryptionSetting::On;
    }
    if (name == "required") {
        return EncryptionSetting::Required;
    }
    return std::nullopt;
}

ServerOptions::VersionNumbers ServerOptions::versionNumbers() const {
    VersionNumbers numbers;
    unsigned parts[3] = {0, 0, 0};
    const char* p = version.data();
    const char* end = version.data() + version.size();
    for (int i = 0; i < 3; ++i) {
        const auto [next, ec] = std::from_chars(p, end, parts[i]);
        if (ec != std::errc() || (i < 2 && (next == end || *next != '.'))) {
            return {};
        }
        p = next + (next != end ? 1 : 0);
    }
    if (parts[0] > 255 || parts[1] > 255 || parts[2] > 65535) {
        return {};
    }
    numbers.major = static_cast<std::uint8_t>(parts[0]);
    numbers.minor = static_cast<std::uint8_t>(parts[1]);
    numbers.build = static_cast<std::uint16_t>(parts[2]);
    return numbers;
}

std::string ServerOptions::tlsPriority() const {
    // TLS 1.3 never travels inside PRELOGIN: SQL Server offers it only with TDS 8.
    std::string priority = "NORMAL:-VERS-ALL";
    for (const std::string& v : tlsVersions) {
        priority += ":+VERS-TLS" + v;
    }
    return priority;
}

std::string ServerOptions::strictTlsPriority() {
    return "NORMAL:-VERS-ALL:+VERS-TLS1.3:+VERS-TLS1.2";
}

std::optional<Tds8> ServerOptions::tds8FromName(std::string_view name) {
    if (name == "no") {
        return Tds8::No;
    }
    if (name == "accepted") {
        return Tds8::Accepted;
    }
    if (name == "forced") {
        return Tds8::Forced;
    }
    return std::nullopt;
}

namespace {

void applyProfile(const ServerProfile& profile, ServerOptions& options) {
    options.profile = profile.name;
    options.version = profile.productVersion;
    options.level = profile.productLevel;
    options.edition = profile.edition;
    options.loginAckTds = profile.loginAckTds;
    options.encryption = profile.encryption;
    options.tlsVersions = profile.tlsVersions;
    options.answersPrelogin = profile.answersPrelogin;
    options.preloginHasMars = profile.preloginHasMars;
    options.tds8 = profile.tds8;
    options.fault = profile.hasServerProperty ? FaultMode::None : FaultMode::Sql7;
}

std::optional<std::vector<std::string>> parseTlsVersions(const std::string& text) {
    std::vector<std::string> versions;
    std::istringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        if (item != "1.0" && item != "1.1" && item != "1.2") {
            return std::nullopt;
        }
        versions.push_back(item);
    }
    if (versions.empty()) {
        return std::nullopt;
    }
    return versions;
}

} // namespace

std::optional<ServerOptions> ServerOptions::parse(const std::vector<std::string>& args,
                                                  std::string& error) {
    ServerOptions options;
    // The profile gives the defaults; every other flag overrides it, wherever it stands.
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == "--profile") {
            const auto profile = ServerProfile::byName(args[i + 1]);
            if (!profile) {
                error = "unknown --profile " + args[i + 1];
                return std::nullopt;
            }
            applyProfile(*profile, options);
        }
    }
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& flag = args[i];
        if (flag == "--help" || flag == "-h") {
            options.help = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            error = flag.rfind("--", 0) == 0 ? "missing value for " + flag
                                             : "unexpected argument " + flag;
            return std::nullopt;
        }
        const std::string& value = args[++i];
        if (flag == "--port") {
            std::uint16_t port = 0;
            if (!parseNumber<std::uint16_t>(value, 0, 65535, port)) {
                error = "--port needs a number from 0 to 65535";
                return std::nullopt;
            }
            options.port = port;
        } else if (flag == "--user") {
            options.user = value;
        } else if (flag == "--password") {
            options.password = value;
        } else if (flag == "--edition") {
            options.edition = value;
        } else if (flag == "--version") {
            options.version = value;
        } else if (flag == "--level") {
            options.level = value;
        } else if (flag == "--database") {
            options.database = value;
        } else if (flag == "--server-name") {
            options.serverName = value;
        } else if (flag == "--language") {
            options.language = value;
        } else if (flag == "--wire-log") {
            options.wireLog = value;
        } else if (flag == "--keytab") {
            options.keytab = value;
        } else if (flag == "--ntlm-account") {
            const auto slash = value.find('\\');
            if (slash == std::string::npos || slash == 0 || slash + 1 == value.size()) {
                error = "--ntlm-account needs DOMAIN\\user";
                return std::nullopt;
            }
            options.ntlmDomain = value.substr(0, slash);
            options.ntlmUser = value.substr(slash + 1);
        } else if (flag == "--ntlm-password") {
            options.ntlmPassword = value;
        } else if (flag == "--browser-port") {
            if (!parseNumber<std::uint16_t>(value, 1, 65535, options.browserPort)) {
                error = "--browser-port needs a number from 1 to 65535";
                return std::nullopt;
            }
        } else if (flag == "--instance") {
            options.instance = value;
        } else if (flag == "--raw-log") {
            options.rawLog = value;
        } else if (flag == "--profile") {
            // applied above
        } else if (flag == "--encryption") {
            const auto setting = encryptionFromName(value);
            if (!setting) {
                error = "--encryption needs off, on, required or unsupported";
                return std::nullopt;
            }
            options.encryption = *setting;
        } else if (flag == "--cert") {
            options.certificateFile = value;
        } else if (flag == "--key") {
            options.keyFile = value;
        } else if (flag == "--tls-versions") {
            const auto versions = parseTlsVersions(value);
            if (!versions) {
                error = "--tls-versions needs a comma-separated list of 1.0, 1.1 and 1.2";
                return std::nullopt;
            }
            options.tlsVersions = *versions;
        } else if (flag == "--strict") {
            const auto tds8 = tds8FromName(value);
            if (!tds8) {
                error = "--strict needs no, accepted or forced";
                return std::nullopt;
            }
            options.tds8 = *tds8;
        } else if (flag == "--ca-out") {
            options.authorityFile = value;
        } else if (flag == "--cert-name") {
            options.certificateName = value;
        } else if (flag == "--cert-validity") {
            if (value == "current") {
                options.certificateValidity = ServerCertificate::Validity::Current;
            } else if (value == "expired") {
                options.certificateValidity = ServerCertificate::Validity::Expired;
            } else if (value == "future") {
                options.certificateValidity = ServerCertificate::Validity::Future;
            } else {
                error = "--cert-validity needs current, expired or future";
                return std::nullopt;
            }
        } else if (flag == "--fault") {
            const auto fault = faultFromName(value);
            if (!fault) {
                error = "unknown --fault " + value;
                return std::nullopt;
            }
            options.fault = *fault;
        } else if (flag == "--lifetime") {
            if (!parseNumber<int>(value, 1, 7 * 24 * 3600, options.lifetimeSeconds)) {
                error = "--lifetime needs a number of seconds from 1 to 604800";
                return std::nullopt;
            }
        } else if (flag == "--packet-size") {
            if (!parseNumber<std::uint16_t>(value, 512, 32767, options.packetSize)) {
                error = "--packet-size needs a number from 512 to 32767";
                return std::nullopt;
            }
        } else {
            error = "unknown option " + flag;
            return std::nullopt;
        }
    }
    if (options.certificateFile.empty() != options.keyFile.empty()) {
        error = "--cert and --key go together";
        return std::nullopt;
    }
    if ((!options.authorityFile.empty() || !options.certificateName.empty()) &&
        !options.certificateFile.empty()) {
        error = "--ca-out and --cert-name shape the generated certificate: they do not go with "
                "--cert";
        return std::nullopt;
    }
    return options;
}

std::string ServerOptions::usage() {
    return "usage: brellow-tds-testserver [--port N] [--user U] [--password P]\n"
           "         [--edition E] [--version V] [--level L] [--database D]\n"
           "         [--server-name S] [--language L] [--packet-size N]\n"
           "         [--fault none|null-edition|sql7|no-rows|drop-at-batch|hang-after-login|\n"
           "                  frozen-after-login|silent-handshake|break-tls|\n"
           "                  name-past-end[-frozen]|value-past-end[-frozen]|"
           "packet-past-end[-frozen]]\n"
           "         [--wire-log FILE] [--raw-log DIR] [--lifetime SECONDS]\n"
           "         [--profile "
           "sql7|2000-rtm|2000|2005|2008|2008r2|2012|2014|2016|2017|2019|2022|2025|\n"
           "                   2022-strict|2025-strict|azure]\n"
           "         [--encryption off|on|required|unsupported] [--cert PEM --key PEM]\n"
           "         [--ca-out PEM] [--cert-name NAME] [--cert-validity current|expired|future]\n"
           "         [--tls-versions 1.0,1.1,1.2] [--strict "
           "no|accepted|forced]\n"
           "         [--keytab FILE] [--ntlm-account DOMAIN\\user --ntlm-password P]\n"
           "         [--browser-port N [--instance NAME]]\n"
           "A TDS server that answers a TDS 7.1 client like the chosen SQL Server version\n"
           "(default: 2000 SP4), on 127.0.0.1 only.\n"
           "Prints \"LISTENING <port>\" when ready and stops by itself after its lifetime.\n";
}

} // namespace brellow::tdsserver
