#include "odbc/OdbcConnectionStringBuilder.h"

#include "ado/DbError.h"
#include "ado/ErrorNumbers.h"

namespace brellow::odbc {
namespace {

using Dialect = OdbcDriver::Dialect;

[[noreturn]] void cannotPass(std::string_view keyword, std::string_view label,
                             std::string_view what) {
    // Name the keyword only: the value may be a password.
    throw ado::DbError(ado::errors::kBadConnectionString,
                       "The " + std::string(label.empty() ? keyword : label) + " contains " +
                           std::string(what) + ", which the ODBC driver cannot accept.");
}

// The server as Microsoft's drivers take it: over TCP to a port, or a named instance that the
// driver looks up. An IPv6 literal goes in brackets, so that its colons are not read as the
// port's separator.
std::string microsoftServer(const LoginTarget& target, bool tcpPrefix) {
    const std::string host =
        target.host.find(':') != std::string::npos ? "[" + target.host + "]" : target.host;
    if (target.port == 0) {
        return host + "\\" + target.instance;
    }
    return (tcpPrefix ? "tcp:" : "") + host + "," + std::to_string(target.port);
}

std::string encryption(Dialect dialect, bool required,
                       const LoginTarget::CertificateDemand& demand) {
    using Mode = LoginTarget::CertificateDemand::Mode;
    switch (demand.mode) {
    case Mode::AsBefore:
        break;
    case Mode::Validate:
    case Mode::MatchFile:
    case Mode::EncryptOnly: {
        const bool validate = demand.mode == Mode::Validate;
        switch (dialect) {
        case Dialect::FreeTds:
            // FreeTDS takes its authority from freetds.conf only: it encrypts here.
            return demand.strict ? "Encryption=strict;" : "Encryption=require;";
        case Dialect::MicrosoftOdbc18:
            if (demand.mode == Mode::MatchFile) {
                return std::string(demand.strict ? "Encrypt=Strict;" : "Encrypt=Mandatory;") +
                       OdbcConnectionStringBuilder::braced("ServerCertificate", demand.file,
                                                           "server's certificate file", dialect);
            }
            if (demand.strict) {
                // TDS 8.0 always validates: TrustServerCertificate has no say.
                return "Encrypt=Strict;";
            }
            return validate ? "Encrypt=Mandatory;TrustServerCertificate=No;"
                            : "Encrypt=Mandatory;TrustServerCertificate=Yes;";
        case Dialect::MicrosoftOdbc17:
        case Dialect::NativeClient11:
            return validate ? "Encrypt=Yes;TrustServerCertificate=No;"
                            : "Encrypt=Yes;TrustServerCertificate=Yes;";
        case Dialect::WindowsSqlServer:
            // Encrypting everything, it validates; the login alone it encrypts unchecked.
            return validate || required ? "Encrypt=Yes;" : "Encrypt=No;";
        }
        break;
    }
    }

    switch (dialect) {
    case Dialect::FreeTds:
        return required ? "Encryption=require;" : "Encryption=request;";
    case Dialect::MicrosoftOdbc18:
        // Driver 18 encrypts everything and validates the certificate unless told otherwise.
        return required ? "Encrypt=Mandatory;TrustServerCertificate=Yes;"
                        : "Encrypt=Optional;TrustServerCertificate=Yes;";
    case Dialect::MicrosoftOdbc17:
    case Dialect::NativeClient11:
        return required ? "Encrypt=Yes;TrustServerCertificate=Yes;"
                        : "Encrypt=No;TrustServerCertificate=Yes;";
    case Dialect::WindowsSqlServer:
        // This driver has no keyword to leave the certificate unvalidated.
        return required ? "Encrypt=Yes;" : "Encrypt=No;";
    }
    return {};
}

} // namespace

std::string OdbcConnectionStringBuilder::braced(std::string_view keyword, std::string_view value,
                                                std::string_view label, Dialect dialect) {
    std::string quoted;
    switch (dialect) {
    case Dialect::FreeTds:
        if (value.find("};") != std::string_view::npos) {
            cannotPass(keyword, label, "the characters \"};\"");
        }
        quoted = value;
        break;
    case Dialect::MicrosoftOdbc18:
    case Dialect::MicrosoftOdbc17:
        for (const char c : value) {
            quoted += c;
            if (c == '}') {
                quoted += '}';
            }
        }
        break;
    case Dialect::NativeClient11:
    case Dialect::WindowsSqlServer:
        if (value.find('}') != std::string_view::npos) {
            cannotPass(keyword, label, "the character \"}\"");
        }
        quoted = value;
        break;
    }
    // The ";" after the closing brace matters: at the very end of the string FreeTDS would
    // keep the brace as part of the value.
    return std::string(keyword) + "={" + quoted + "};";
}

std::string OdbcConnectionStringBuilder::build(const connstring::ConnectionSettings& settings,
                                               const OdbcDriver& driver,
                                               const LoginTarget& target) {
    const Dialect dialect = driver.dialect;
    const auto pair = [dialect](std::string_view keyword, std::string_view value,
                                std::string_view label = {}) {
        return braced(keyword, value, label, dialect);
    };
    std::string text = pair("DRIVER", driver.name);
    if (dialect == Dialect::FreeTds && !target.configuredSection.empty()) {
        text += pair("SERVERNAME", target.configuredSection, "Data Source");
    } else if (dialect == Dialect::FreeTds) {
        if (target.port == 0) {
            text += pair("SERVER", target.host + "\\" + target.instance, "Data Source");
        } else {
            text += pair("SERVER", target.host, "Data Source");
            text += "PORT=" + std::to_string(target.port) + ";";
        }
        text += "TDS_Version=7.1;";
    } else {
        const bool builtIn = dialect == Dialect::WindowsSqlServer;
        text += pair("SERVER", microsoftServer(target, !builtIn), "Data Source");
        if (builtIn) {
            // TCP/IP, as SQLOLEDB uses for a name with a port.
            text += "Network=DBMSSOCN;";
        }
    }
    if (target.configuredSection.empty()) {
        text += encryption(dialect, settings.encryptionRequired(), target.certificate);
    }
    if (dialect == Dialect::FreeTds) {
        text += "ClientCharset=UTF-8;";
    }
    if (settings.integratedSecurity()) {
        text += "Trusted_Connection=Yes;";
        if (!target.servicePrincipal.empty()) {
            text += pair("ServerSPN", target.servicePrincipal, "Data Source");
        }
    } else {
        text += pair("UID", settings.userId(), "user name");
        text += pair("PWD", settings.password(), "password");
    }
    if (!settings.initialCatalog().empty()) {
        text += pair("DATABASE", settings.initialCatalog(), "Initial Catalog");
    }
    if (!settings.applicationName().empty()) {
        text += pair("APP", settings.applicationName());
    }
    if (!settings.workstationId().empty()) {
        text += pair("WSID", settings.workstationId());
    }
    if (!settings.language().empty()) {
        text += pair("Language", settings.language());
    }
    return text;
}

} // namespace brellow::odbc
