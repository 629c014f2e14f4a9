#include "ServerOptions.h"

#include <charconv>

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
    if (name == "silent-handshake") {
        return FaultMode::SilentHandshake;
    }
    return std::nullopt;
}

std::optional<ServerOptions> ServerOptions::parse(const std::vector<std::string>& args,
                                                  std::string& error) {
    ServerOptions options;
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
    return options;
}

std::string ServerOptions::usage() {
    return "usage: brellow-tds-testserver [--port N] [--user U] [--password P]\n"
           "         [--edition E] [--version V] [--level L] [--database D]\n"
           "         [--server-name S] [--language L] [--packet-size N]\n"
           "         [--fault none|null-edition|sql7|no-rows|drop-at-batch|hang-after-login|"
           "silent-handshake]\n"
           "         [--wire-log FILE] [--lifetime SECONDS]\n"
           "         [--keytab FILE] [--ntlm-account DOMAIN\\user --ntlm-password P]\n"
           "         [--browser-port N [--instance NAME]]\n"
           "A TDS 7.1 server that answers like SQL Server 2000 SP4, on 127.0.0.1 only.\n"
           "Prints \"LISTENING <port>\" when ready and stops by itself after its lifetime.\n";
}

} // namespace brellow::tdsserver
