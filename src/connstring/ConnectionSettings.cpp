#include "connstring/ConnectionSettings.h"

#include "ado/DbError.h"
#include "ado/ErrorNumbers.h"
#include "connstring/ConnectionStringParser.h"
#include "text/CaseInsensitive.h"

#include <array>
#include <charconv>
#include <initializer_list>

namespace brellow::connstring {
namespace {

enum class Key {
    Unknown,
    Provider,
    DataSource,
    IntegratedSecurity,
    UserId,
    Password,
    InitialCatalog,
    ConnectTimeout,
    CommandTimeout,
    ApplicationName,
    WorkstationId,
    Language,
    Encrypt,
    PersistSecurityInfo,
};

struct Synonym {
    std::string_view keyword;
    Key key;
};

constexpr std::array kSynonyms{
    Synonym{"Provider", Key::Provider},
    Synonym{"Data Source", Key::DataSource},
    Synonym{"Server", Key::DataSource},
    Synonym{"Address", Key::DataSource},
    Synonym{"Addr", Key::DataSource},
    Synonym{"Network Address", Key::DataSource},
    Synonym{"Integrated Security", Key::IntegratedSecurity},
    Synonym{"Trusted_Connection", Key::IntegratedSecurity},
    Synonym{"User ID", Key::UserId},
    Synonym{"UID", Key::UserId},
    Synonym{"Password", Key::Password},
    Synonym{"PWD", Key::Password},
    Synonym{"Initial Catalog", Key::InitialCatalog},
    Synonym{"Database", Key::InitialCatalog},
    Synonym{"Connect Timeout", Key::ConnectTimeout},
    Synonym{"Connection Timeout", Key::ConnectTimeout},
    Synonym{"Command Timeout", Key::CommandTimeout},
    Synonym{"Application Name", Key::ApplicationName},
    Synonym{"App", Key::ApplicationName},
    Synonym{"Workstation ID", Key::WorkstationId},
    Synonym{"WSID", Key::WorkstationId},
    Synonym{"Current Language", Key::Language},
    Synonym{"Language", Key::Language},
    Synonym{"Use Encryption for Data", Key::Encrypt},
    Synonym{"Encrypt", Key::Encrypt},
    Synonym{"Persist Security Info", Key::PersistSecurityInfo},
};

Key keyOf(std::string_view keyword) {
    for (const Synonym& synonym : kSynonyms) {
        if (text::equalsIgnoringCase(keyword, synonym.keyword)) {
            return synonym.key;
        }
    }
    return Key::Unknown;
}

[[noreturn]] void badValue(std::string_view keyword, std::string_view value) {
    throw ado::DbError(ado::errors::kBadConnectionString,
                       "Invalid value \"" + std::string(value) +
                           "\" for the connection string keyword \"" + std::string(keyword) +
                           "\".");
}

bool equalsAny(std::string_view value, std::initializer_list<std::string_view> candidates) {
    for (const std::string_view candidate : candidates) {
        if (text::equalsIgnoringCase(value, candidate)) {
            return true;
        }
    }
    return false;
}

bool parseFlag(const ConnectionStringPair& pair, bool acceptSspi) {
    if (equalsAny(pair.value, {"true", "yes"}) ||
        (acceptSspi && text::equalsIgnoringCase(pair.value, "SSPI"))) {
        return true;
    }
    if (pair.value.empty() || equalsAny(pair.value, {"false", "no"})) {
        return false;
    }
    badValue(pair.keyword, pair.value);
}

int parseSeconds(const ConnectionStringPair& pair) {
    int seconds = 0;
    const std::string& text = pair.value;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || seconds < 0) {
        badValue(pair.keyword, pair.value);
    }
    return seconds;
}

} // namespace

ConnectionSettings ConnectionSettings::fromConnectionString(std::string_view text) {
    ConnectionSettings settings;
    settings.apply(ConnectionStringParser::parse(text));
    return settings;
}

void ConnectionSettings::apply(const std::vector<ConnectionStringPair>& pairs) {
    // Synonyms count as one keyword: the one listed last wins. A repeated keyword is listed
    // where it first appeared, with its last value.
    std::vector<ConnectionStringPair> kept;
    for (const ConnectionStringPair& pair : pairs) {
        const Key key = keyOf(pair.keyword);
        switch (key) {
        case Key::Provider:
            provider_ = pair.value;
            break;
        case Key::DataSource:
            dataSource_ = pair.value;
            break;
        case Key::IntegratedSecurity:
            integratedSecurity_ = parseFlag(pair, true);
            break;
        case Key::UserId:
            userId_ = pair.value;
            break;
        case Key::Password:
            password_ = pair.value;
            break;
        case Key::InitialCatalog:
            initialCatalog_ = pair.value;
            break;
        case Key::ConnectTimeout:
            connectTimeoutSeconds_ = parseSeconds(pair);
            break;
        case Key::CommandTimeout:
            commandTimeoutSeconds_ = parseSeconds(pair);
            break;
        case Key::ApplicationName:
            applicationName_ = pair.value;
            break;
        case Key::WorkstationId:
            workstationId_ = pair.value;
            break;
        case Key::Language:
            language_ = pair.value;
            break;
        case Key::Encrypt:
            encryptionRequired_ = parseFlag(pair, false);
            break;
        case Key::PersistSecurityInfo:
            parseFlag(pair, false);
            break;
        case Key::Unknown:
            // Keywords meant for other providers or for ADO itself are passed over, as
            // SQLOLEDB does.
            break;
        }
        if (key != Key::Password && key != Key::PersistSecurityInfo) {
            kept.push_back(pair);
        }
    }
    if (!equalsAny(provider_, {"SQLOLEDB", "SQLOLEDB.1"})) {
        throw ado::DbError(ado::errors::kProviderNotFound,
                           "Provider cannot be found. It may not be properly installed.");
    }
    if (integratedSecurity_) {
        userId_.clear();
        password_.clear();
    }
    address_ = DataSourceAddress::parse(dataSource_);

    for (const ConnectionStringPair& pair : kept) {
        withoutPassword_ += ConnectionStringParser::escapeKeyword(pair.keyword) + "=" +
                            ConnectionStringParser::quoteValue(pair.value) + ";";
    }
    withoutPassword_ += "Persist Security Info=False";
}

} // namespace brellow::connstring
