#include "ConnectionPropertyReader.h"

#include "OdbcApi.h"
#include "odbc/OdbcDriver.h"
#include "odbc/OdbcSystem.h"
#include "text/Utf16Text.h"

#include <array>
#include <filesystem>

namespace brellow::odbc {
namespace {

// FreeTDS answers SQLGetInfo with the TDS version it negotiated under this number.
constexpr SQLUSMALLINT kFreeTdsTdsVersion = 1300;

enum class InfoKind { Text, YesNo, Short, Long };

struct DriverInfo {
    const char* name;
    SQLUSMALLINT info;
    InfoKind kind;
};

ado::Variant textOf(const SQLWCHAR* data, SQLSMALLINT bytes, std::size_t capacity) {
    const auto units = std::min<std::size_t>(
        static_cast<std::size_t>(std::max<int>(bytes, 0)) / sizeof(SQLWCHAR), capacity - 1);
    return ado::Variant(text::Utf16Text::toUtf8(
        std::u16string_view(reinterpret_cast<const char16_t*>(data), units)));
}

// An answer the driver can't give leaves the property empty rather than failing the open.
ado::Variant getInfo(SQLHDBC connection, SQLUSMALLINT info, InfoKind kind) {
    switch (kind) {
    case InfoKind::Text:
    case InfoKind::YesNo: {
        std::array<SQLWCHAR, 512> buffer{};
        SQLSMALLINT bytes = 0;
        const SQLRETURN rc = SQLGetInfoW(connection, info, buffer.data(),
                                         static_cast<SQLSMALLINT>(sizeof buffer), &bytes);
        if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) {
            return ado::Variant();
        }
        ado::Variant text = textOf(buffer.data(), bytes, buffer.size());
        if (kind == InfoKind::YesNo) {
            return ado::Variant(text.toTextOrEmpty() == "Y");
        }
        return text;
    }
    case InfoKind::Short: {
        SQLUSMALLINT value = 0;
        const SQLRETURN rc = SQLGetInfoW(connection, info, &value, sizeof value, nullptr);
        return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO
                   ? ado::Variant(static_cast<std::int64_t>(value))
                   : ado::Variant();
    }
    case InfoKind::Long: {
        SQLUINTEGER value = 0;
        const SQLRETURN rc = SQLGetInfoW(connection, info, &value, sizeof value, nullptr);
        return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO
                   ? ado::Variant(static_cast<std::int64_t>(value))
                   : ado::Variant();
    }
    }
    return ado::Variant();
}

ado::Variant getNumberAttribute(SQLHDBC connection, SQLINTEGER attribute) {
    SQLULEN value = 0;
    const SQLRETURN rc = SQLGetConnectAttrW(connection, attribute, &value, sizeof value, nullptr);
    return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO
               ? ado::Variant(static_cast<std::int64_t>(value))
               : ado::Variant();
}

ado::Variant getTextAttribute(SQLHDBC connection, SQLINTEGER attribute) {
    std::array<SQLWCHAR, 512> buffer{};
    SQLINTEGER bytes = 0;
    const SQLRETURN rc = SQLGetConnectAttrW(connection, attribute, buffer.data(),
                                            static_cast<SQLINTEGER>(sizeof buffer), &bytes);
    if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) {
        return ado::Variant();
    }
    return textOf(buffer.data(), static_cast<SQLSMALLINT>(std::min<SQLINTEGER>(bytes, 1024)),
                  buffer.size());
}

// FreeTDS tells the TDS version it negotiated; Microsoft's drivers don't.
ado::Variant tdsVersion(SQLHDBC connection, const std::string& driver) {
    if (OdbcDriver::named(driver).dialect != OdbcDriver::Dialect::FreeTds) {
        return ado::Variant();
    }
    SQLUINTEGER value = 0;
    const SQLRETURN rc = SQLGetInfoW(connection, kFreeTdsTdsVersion, &value, sizeof value, nullptr);
    if ((rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) || value == 0) {
        return ado::Variant("7.1"); // what the component asks for
    }
    // Major version in the high 16 bits, minor in the low ones.
    return ado::Variant(std::to_string(value >> 16) + "." + std::to_string(value & 0xFFFF));
}

constexpr std::array kDriverAnswers{
    DriverInfo{"Read-Only Data Source", SQL_DATA_SOURCE_READ_ONLY, InfoKind::YesNo},
    DriverInfo{"Isolation Levels", SQL_TXN_ISOLATION_OPTION, InfoKind::Long},
    DriverInfo{"Transaction DDL", SQL_TXN_CAPABLE, InfoKind::Short},
    DriverInfo{"Multiple Results", SQL_MULT_RESULT_SETS, InfoKind::YesNo},
    DriverInfo{"Active Statements", SQL_MAX_CONCURRENT_ACTIVITIES, InfoKind::Short},
    DriverInfo{"Identifier Case Sensitivity", SQL_IDENTIFIER_CASE, InfoKind::Short},
    DriverInfo{"Quoted Identifier Sensitivity", SQL_QUOTED_IDENTIFIER_CASE, InfoKind::Short},
    DriverInfo{"Identifier Quote Character", SQL_IDENTIFIER_QUOTE_CHAR, InfoKind::Text},
    DriverInfo{"Catalog Term", SQL_CATALOG_TERM, InfoKind::Text},
    DriverInfo{"Schema Term", SQL_SCHEMA_TERM, InfoKind::Text},
    DriverInfo{"Procedure Term", SQL_PROCEDURE_TERM, InfoKind::Text},
    DriverInfo{"Table Term", SQL_TABLE_TERM, InfoKind::Text},
    DriverInfo{"NULL Concatenation Behavior", SQL_CONCAT_NULL_BEHAVIOR, InfoKind::Short},
    DriverInfo{"NULL Collation Order", SQL_NULL_COLLATION, InfoKind::Short},
    DriverInfo{"GROUP BY Support", SQL_GROUP_BY, InfoKind::Short},
    DriverInfo{"Subquery Support", SQL_SUBQUERIES, InfoKind::Long},
    DriverInfo{"ORDER BY Columns in Select List", SQL_ORDER_BY_COLUMNS_IN_SELECT, InfoKind::YesNo},
    DriverInfo{"Outer Join Support", SQL_OUTER_JOINS, InfoKind::YesNo},
    DriverInfo{"Maximum Row Size", SQL_MAX_ROW_SIZE, InfoKind::Long},
    DriverInfo{"Maximum Tables in SELECT", SQL_MAX_TABLES_IN_SELECT, InfoKind::Short},
    DriverInfo{"Maximum Identifier Length", SQL_MAX_IDENTIFIER_LEN, InfoKind::Short},
    DriverInfo{"Maximum Statement Length", SQL_MAX_STATEMENT_LEN, InfoKind::Long},
    DriverInfo{"Prepare Commit Behavior", SQL_CURSOR_COMMIT_BEHAVIOR, InfoKind::Short},
    DriverInfo{"Prepare Abort Behavior", SQL_CURSOR_ROLLBACK_BEHAVIOR, InfoKind::Short},
};

const char* certificateWords(const CertificateCheck& check) {
    switch (check.kind) {
    case CertificateCheck::Kind::Validated:
        return check.comparedByGateOnly
                   ? "validated just before the login, which the driver only encrypts"
                   : "validated";
    case CertificateCheck::Kind::Pinned:
        return check.comparedByGateOnly
                   ? "pinned: compared just before the login, which the driver only encrypts"
                   : "pinned: trusted by the user";
    case CertificateCheck::Kind::PinnedOutOfDate:
        return "pinned, outside its dates: compared just before the login";
    case CertificateCheck::Kind::Plaintext:
        return "none: the server cannot encrypt";
    case CertificateCheck::Kind::NotChecked:
        break;
    }
    return "not checked";
}

} // namespace

void ConnectionPropertyReader::read(const connstring::ConnectionSettings& settings,
                                    SQLHDBC connection, const std::string& driver,
                                    const CertificateCheck& certificate,
                                    ado::PropertyCollection& into) {
    const connstring::DataSourceAddress& address = settings.address();
    const bool integrated = settings.integratedSecurity();

    // The provider: the ODBC driver standing in for SQLOLEDB.
    into.add("Provider Name", ado::Variant(std::filesystem::path(driver).filename().string()));
    into.add("Provider Version", getInfo(connection, SQL_DRIVER_VER, InfoKind::Text));
    into.add("Provider ODBC Version", getInfo(connection, SQL_DRIVER_ODBC_VER, InfoKind::Text));
    into.add("Driver Manager Version", getInfo(connection, SQL_DM_VER, InfoKind::Text));

    // The server, as the login answered.
    into.add("DBMS Name", getInfo(connection, SQL_DBMS_NAME, InfoKind::Text));
    into.add("DBMS Version", getInfo(connection, SQL_DBMS_VER, InfoKind::Text));
    into.add("Server Name", getInfo(connection, SQL_SERVER_NAME, InfoKind::Text));
    into.add("Current Catalog", getTextAttribute(connection, SQL_ATTR_CURRENT_CATALOG));
    into.add("Packet Size", getNumberAttribute(connection, SQL_ATTR_PACKET_SIZE));
    into.add("TDS Version", tdsVersion(connection, driver));

    // The connection string, with the component's defaults.
    into.add("Data Source", ado::Variant(settings.dataSource()));
    into.add("Network Address", ado::Variant(address.host()));
    into.add("Network Port", ado::Variant(std::int64_t{address.port()}));
    into.add("Instance Name", ado::Variant(address.instance()));
    into.add("Network Library", ado::Variant("TCP/IP"));
    into.add("Initial Catalog", ado::Variant(settings.initialCatalog()));
    into.add("Current Language", ado::Variant(settings.language()));
    into.add("Integrated Security", ado::Variant(integrated ? "SSPI" : ""));
    into.add("User ID", ado::Variant(settings.userId()));
    // The driver answers SQL_USER_NAME with an empty text, so this comes from the login the
    // component made: the SQL Server login (or DOMAIN\user for NTLM), or under integrated
    // security the Kerberos principal whose ticket the driver presented (on Windows, the
    // session's DOMAIN\user, whom SSPI logs in).
    into.add("User Name",
             ado::Variant(integrated ? OdbcSystem::integratedUserName() : settings.userId()));
    into.add("Persist Security Info", ado::Variant(false));
    into.add("Connect Timeout", ado::Variant(settings.connectTimeoutSeconds()));
    into.add("Command Timeout", ado::Variant(settings.commandTimeoutSeconds()));
    into.add("Application Name", ado::Variant(settings.applicationName()));
    into.add("Workstation ID",
             ado::Variant(settings.workstationId().empty() ? OdbcSystem::localHostName()
                                                           : settings.workstationId()));
    // FreeTDS tells nothing of what PRELOGIN settled (no connection attribute or info type
    // carries it). Required, the driver refuses a server that cannot encrypt, and a server
    // keeping to the protocol then encrypts everything. Only requested, it is the server's
    // choice whether more than the login is encrypted, and that cannot be seen from here:
    // the value stays empty rather than claim either.
    into.add("Use Encryption for Data",
             settings.encryptionRequired() ? ado::Variant(true) : ado::Variant());
    // How the server's certificate was vouched for before the login, and which it was.
    into.add("Server Certificate", ado::Variant(certificateWords(certificate)));
    into.add("Server Certificate SHA-256",
             certificate.sha256.empty() ? ado::Variant() : ado::Variant(certificate.sha256));

    // The driver's own answers.
    into.add("Autocommit",
             ado::Variant(getNumberAttribute(connection, SQL_ATTR_AUTOCOMMIT) ==
                          ado::Variant(static_cast<std::int64_t>(SQL_AUTOCOMMIT_ON))));
    into.add("Isolation Level", getNumberAttribute(connection, SQL_ATTR_TXN_ISOLATION));
    for (const DriverInfo& answer : kDriverAnswers) {
        into.add(answer.name, getInfo(connection, answer.info, answer.kind));
    }
}

} // namespace brellow::odbc
