#include "odbc/OdbcSystem.h"

#include "OdbcApi.h"
#include "OdbcHandle.h"
#include "text/Utf16Text.h"

#define SECURITY_WIN32
#include <algorithm>
#include <array>
#include <security.h>

namespace brellow::odbc {
namespace {

// The one driver every Windows has, for a machine whose driver list can't be read.
constexpr const char* kBuiltInDriver = "SQL Server";

std::string utf8(const wchar_t* text, std::size_t length) {
    return text::Utf16Text::toUtf8(
        std::u16string_view(reinterpret_cast<const char16_t*>(text), length));
}

// What the driver manager lists under ODBC Drivers, in its own spelling.
std::vector<std::string> installedDrivers() {
    std::vector<std::string> drivers;
    OdbcHandle environment(SQL_HANDLE_ENV, nullptr);
    SQLSetEnvAttr(environment.get(), SQL_ATTR_ODBC_VERSION,
                  reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_OV_ODBC3)), 0);
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    // Bounded: a driver manager that kept answering would not hold the open for ever.
    for (int listed = 0; listed < 1000; ++listed) {
        std::array<SQLWCHAR, 256> description{};
        std::array<SQLWCHAR, 2048> attributes{};
        SQLSMALLINT descriptionLength = 0;
        SQLSMALLINT attributesLength = 0;
        const SQLRETURN rc = SQLDriversW(
            environment.get(), direction, description.data(),
            static_cast<SQLSMALLINT>(description.size()), &descriptionLength, attributes.data(),
            static_cast<SQLSMALLINT>(attributes.size()), &attributesLength);
        if (!OdbcHandle::succeeded(rc)) {
            break;
        }
        const auto length = std::min<std::size_t>(
            static_cast<std::size_t>(std::max<SQLSMALLINT>(descriptionLength, 0)),
            description.size() - 1);
        drivers.push_back(utf8(description.data(), length));
        direction = SQL_FETCH_NEXT;
    }
    return drivers;
}

} // namespace

std::vector<std::string> OdbcSystem::defaultDriverCandidates() {
    return OdbcDriver::windowsPreference();
}

OdbcDriver OdbcSystem::findDriver(const std::vector<std::string>& candidates) {
    std::string driver = OdbcDriver::firstInstalled(candidates, installedDrivers());
    return OdbcDriver::named(driver.empty() ? kBuiltInDriver : std::move(driver));
}

LoginTarget OdbcSystem::prepareLogin(const connstring::ConnectionSettings& settings,
                                     const LoginDeadline&) {
    // Windows' drivers look a named instance up and get the Kerberos ticket through SSPI
    // themselves, both within the login timeout the component sets.
    const connstring::DataSourceAddress& address = settings.address();
    return LoginTarget{address.host(),
                       address.port(),
                       address.port() == 0 ? address.instance() : std::string(),
                       {},
                       {}};
}

std::shared_ptr<trust::TrustGate> OdbcSystem::makeTrustGate(trust::TrustQuestions& questions,
                                                            const std::string& pinsFile) {
    // The certificate probe is to use SChannel here; until it does, there is no gate.
    (void)questions;
    (void)pinsFile;
    return nullptr;
}

std::unique_ptr<LoginTrustHold>
OdbcSystem::passTrustGate(trust::TrustGate* gate, const connstring::ConnectionSettings& settings,
                          const OdbcDriver& driver, LoginTarget& target, LoginDeadline& deadline,
                          CertificateCheck& check, bool recheck) {
    // No gate is made on Windows yet: the certificate probe there is to use SChannel, and
    // until then the login goes as it always has, its certificate unchecked.
    (void)gate;
    (void)settings;
    (void)driver;
    (void)target;
    (void)deadline;
    (void)recheck;
    check = {};
    return nullptr;
}

std::shared_ptr<CommandGuard> OdbcSystem::makeCommandGuard() {
    // A Windows program cannot reach the socket inside the driver, so a command whose server
    // stops answering waits as long as the driver waits.
    return nullptr;
}

std::string OdbcSystem::integratedUserName() {
    // SSPI logs in as the user of this session: DOMAIN\user.
    std::array<wchar_t, 512> name{};
    ULONG length = static_cast<ULONG>(name.size());
    if (GetUserNameExW(NameSamCompatible, name.data(), &length) && length < name.size()) {
        return utf8(name.data(), length);
    }
    DWORD plainLength = static_cast<DWORD>(name.size());
    if (GetUserNameW(name.data(), &plainLength) && plainLength > 0) {
        return utf8(name.data(), plainLength - 1);
    }
    return {};
}

std::string OdbcSystem::localHostName() {
    std::array<wchar_t, 256> name{};
    DWORD length = static_cast<DWORD>(name.size());
    if (GetComputerNameExW(ComputerNameDnsHostname, name.data(), &length)) {
        return utf8(name.data(), length);
    }
    return {};
}

} // namespace brellow::odbc
