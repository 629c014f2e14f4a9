#include "odbc/OdbcSystem.h"

#include "GateCrossing.h"
#include "OdbcApi.h"
#include "OdbcHandle.h"
#include "PinnedCertificateFile.h"
#include "SqlBrowserClient.h"
#include "SqlBrowserLookup.h"
#include "ado/DbError.h"
#include "ado/ErrorNumbers.h"
#include "text/Utf16Text.h"
#include "trust/TrustGate.h"

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

// How the driver is to hold the login to what the gate let through, as far as its connection
// string allows; EncryptOnly where it cannot, the gate's comparison just before then being
// the check.
LoginTarget::CertificateDemand::Mode demandFor(const OdbcDriver& driver,
                                               const trust::TrustGate::Passage& passage) {
    using Mode = LoginTarget::CertificateDemand::Mode;
    if (passage.kind == trust::TrustGate::Passage::Kind::Validated) {
        return driver.validatesCertificates() ? Mode::Validate : Mode::EncryptOnly;
    }
    if (!passage.outOfDate && driver.matchesCertificateFile(passage.strict)) {
        return Mode::MatchFile;
    }
    return Mode::EncryptOnly;
}

// What the questions say of a driver that cannot hold a login to the certificate the user
// trusts.
std::string driverNote(const OdbcDriver& driver) {
    const std::string compared = "Brellow compares the server's certificate with the trusted one "
                                 "just before each login, and the driver then encrypts without "
                                 "checking it again.";
    if (driver.dialect == OdbcDriver::Dialect::MicrosoftOdbc18) {
        return "ODBC Driver 18 can be held to this one certificate only for a server that "
               "speaks TDS 8.0. For any other, " +
               compared;
    }
    return "The driver " + driver.name + " cannot be held to one certificate: " + compared;
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
                       {},
                       {}};
}

std::shared_ptr<trust::TrustGate> OdbcSystem::makeTrustGate(trust::TrustQuestions& questions,
                                                            const std::string& pinsFile) {
    return std::make_shared<trust::TrustGate>(questions, pinsFile);
}

std::unique_ptr<LoginTrustHold>
OdbcSystem::passTrustGate(trust::TrustGate* gate, const connstring::ConnectionSettings& settings,
                          const OdbcDriver& driver, LoginTarget& target, LoginDeadline& deadline,
                          CertificateCheck& check, bool recheck) {
    using Kind = trust::TrustGate::Passage::Kind;
    using Mode = LoginTarget::CertificateDemand::Mode;
    target.certificate = {};
    check = {};
    if (gate == nullptr) {
        return nullptr;
    }
    if (target.port == 0) {
        // The gate must reach the named instance before the login, and the driver must then
        // log in where the gate looked, not ask the browser again.
        target.port = SqlBrowserLookup::lookUpPort(
            target.host, SqlBrowserClient::kBrowserPort, target.instance,
            deadline.remaining(LoginDeadline::kUnlimitedWaitSeconds));
        target.instance.clear();
    }
    const std::string note = driverNote(driver);
    trust::TrustGate::Passage passage =
        GateCrossing::pass(*gate, settings, target, deadline, recheck, note);
    if (passage.fromMemory && passage.kind != Kind::Plaintext &&
        demandFor(driver, passage) == Mode::EncryptOnly) {
        // The driver will not check what the run remembers: the gate compares it now.
        passage = GateCrossing::pass(*gate, settings, target, deadline, true, note);
    }
    if (passage.kind == Kind::Plaintext) {
        check = {CertificateCheck::Kind::Plaintext, {}, passage.fromMemory, false};
        return nullptr;
    }
    if (passage.strict && !driver.speaksStrict()) {
        throw ado::DbError(ado::errors::kAuthenticationFailed,
                           "The server speaks TDS 8.0 only (strict encryption), which the driver " +
                               driver.name +
                               " cannot: ODBC Driver 18 for SQL Server, 18.1 or later, is needed.");
    }
    const Mode mode = demandFor(driver, passage);
    std::unique_ptr<PinnedCertificateFile> file;
    if (mode == Mode::MatchFile) {
        file = std::make_unique<PinnedCertificateFile>(passage.pem);
        if (file->path().empty()) {
            throw ado::DbError(ado::errors::kFail,
                               "No login was sent to the server: the certificate trusted for it "
                               "cannot be handed to the driver (the temporary folder cannot be "
                               "written).");
        }
    }
    target.certificate = {mode, passage.strict, file ? file->path() : std::string()};
    const bool pinned = passage.kind == Kind::Pinned;
    check = {pinned && passage.outOfDate ? CertificateCheck::Kind::PinnedOutOfDate
             : pinned                    ? CertificateCheck::Kind::Pinned
                                         : CertificateCheck::Kind::Validated,
             passage.sha256, passage.fromMemory, mode == Mode::EncryptOnly};
    return file;
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
