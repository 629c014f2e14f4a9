#include "db/OdbcConnectionStringBuilder.h"

#include "db/DbError.h"
#include "db/ErrorNumbers.h"

namespace brellow::db {

std::string OdbcConnectionStringBuilder::Pair(std::string_view keyword, std::string_view value,
                                              std::string_view label) {
    if (value.find("};") != std::string_view::npos) {
        // Name the keyword only: the value may be a password.
        throw DbError(errors::kBadConnectionString,
                      "The " + std::string(label.empty() ? keyword : label) +
                          " contains the characters \"};\", which the ODBC driver cannot accept.");
    }
    // The ";" after the closing brace matters: at the very end of the string FreeTDS would
    // keep the brace as part of the value.
    return std::string(keyword) + "={" + std::string(value) + "};";
}

std::string OdbcConnectionStringBuilder::Build(const ConnectionSettings& settings,
                                               const std::string& driver, std::uint16_t port,
                                               const std::string& servicePrincipal) {
    std::string text = Pair("DRIVER", driver);
    text += Pair("SERVER", settings.address().host(), "Data Source");
    text += "PORT=" + std::to_string(port) + ";";
    text += "TDS_Version=7.1;";
    text += settings.encryptionRequired() ? "Encryption=require;" : "Encryption=request;";
    text += "ClientCharset=UTF-8;";
    if (settings.integratedSecurity()) {
        text += "Trusted_Connection=Yes;";
        if (!servicePrincipal.empty()) {
            text += Pair("ServerSPN", servicePrincipal, "Data Source");
        }
    } else {
        text += Pair("UID", settings.userId(), "user name");
        text += Pair("PWD", settings.password(), "password");
    }
    if (!settings.initialCatalog().empty()) {
        text += Pair("DATABASE", settings.initialCatalog(), "Initial Catalog");
    }
    if (!settings.applicationName().empty()) {
        text += Pair("APP", settings.applicationName());
    }
    if (!settings.workstationId().empty()) {
        text += Pair("WSID", settings.workstationId());
    }
    if (!settings.language().empty()) {
        text += Pair("Language", settings.language());
    }
    return text;
}

} // namespace brellow::db
