#include "odbc/OdbcSystem.h"

#include "CommandWatchdog.h"
#include "FreeTdsVersion.h"
#include "GateCrossing.h"
#include "KerberosCredentials.h"
#include "OdbcDriverLocator.h"
#include "PrivateFreeTdsConfig.h"
#include "SqlBrowserClient.h"
#include "SqlBrowserLookup.h"
#include "ado/DbError.h"
#include "ado/ErrorNumbers.h"
#include "trust/TrustGate.h"

#include <array>
#include <pwd.h>
#include <unistd.h>

namespace brellow::odbc {
namespace {

constexpr const char* kRegisteredDriverName = "FreeTDS";

std::string localUserName() {
    std::array<char, 4096> buffer{};
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found) {
        return found->pw_name;
    }
    return {};
}

} // namespace

std::vector<std::string> OdbcSystem::defaultDriverCandidates() {
    return OdbcDriverLocator::defaultCandidates();
}

OdbcDriver OdbcSystem::findDriver(const std::vector<std::string>& candidates) {
    // Named by its library, the driver needs no entry in odbcinst.ini.
    std::string driver = OdbcDriverLocator::locate(candidates);
    return OdbcDriver::named(driver.empty() ? kRegisteredDriverName : std::move(driver));
}

LoginTarget OdbcSystem::prepareLogin(const connstring::ConnectionSettings& settings,
                                     const LoginDeadline& deadline) {
    const connstring::DataSourceAddress& address = settings.address();
    LoginTarget target{address.host(), address.port(), {}, {}, {}, {}};
    if (target.port == 0) {
        target.port = SqlBrowserLookup::lookUpPort(
            address.host(), SqlBrowserClient::kBrowserPort, address.instance(),
            deadline.remaining(LoginDeadline::kUnlimitedWaitSeconds));
    }
    if (settings.integratedSecurity()) {
        // The driver would ask the KDC itself, with no regard for the login timeout; with the
        // ticket already in the cache it doesn't ask. Both use the same name for the server.
        target.servicePrincipal =
            KerberosCredentials::servicePrincipalName(address.host(), target.port);
        KerberosCredentials::obtainServiceTicket(target.servicePrincipal, deadline.remaining());
    }
    return target;
}

std::shared_ptr<trust::TrustGate> OdbcSystem::makeTrustGate(trust::TrustQuestions& questions,
                                                            const std::string& pinsFile) {
    return std::make_shared<trust::TrustGate>(questions, pinsFile);
}

std::unique_ptr<LoginTrustHold>
OdbcSystem::passTrustGate(trust::TrustGate* gate, const connstring::ConnectionSettings& settings,
                          const OdbcDriver& driver, LoginTarget& target, LoginDeadline& deadline,
                          CertificateCheck& check, bool recheck) {
    if (gate == nullptr) {
        return nullptr;
    }
    using Kind = trust::TrustGate::Passage::Kind;
    // A "no" or a refusal is raised on the way through.
    const trust::TrustGate::Passage passage =
        GateCrossing::pass(*gate, settings, target, deadline, recheck);
    if (passage.kind == Kind::Plaintext) {
        check = {CertificateCheck::Kind::Plaintext, {}, passage.fromMemory, false};
        return nullptr;
    }
    const auto version = FreeTdsVersion::ofLibrary(driver.name);
    if (passage.strict && !(version && version->speaksTds8())) {
        throw ado::DbError(ado::errors::kAuthenticationFailed,
                           "The server speaks TDS 8.0 only (strict encryption), which this "
                           "FreeTDS driver cannot: FreeTDS 1.5 or later is needed (Debian 13's "
                           "backports and later carry it as tdsodbc).");
    }
    const bool pinned = passage.kind == Kind::Pinned;
    // A pinned certificate out of its dates: no driver accepts it, even as the one trusted, so
    // the gate's comparison just before is the check, and the driver only encrypts.
    const bool outOfDate = pinned && passage.outOfDate;
    auto hold = std::make_unique<PrivateFreeTdsConfig>(PrivateFreeTdsConfig::Server{
        target.host, target.port,
        outOfDate                        ? std::string()
        : gate->extraAuthority().empty() ? std::string("system")
                                         : gate->extraAuthority(),
        pinned && !outOfDate ? passage.pem : std::string(), passage.strict});
    target.configuredSection = PrivateFreeTdsConfig::kSection;
    check = {outOfDate ? CertificateCheck::Kind::PinnedOutOfDate
             : pinned  ? CertificateCheck::Kind::Pinned
                       : CertificateCheck::Kind::Validated,
             passage.sha256, passage.fromMemory, false};
    return hold;
}

std::shared_ptr<CommandGuard> OdbcSystem::makeCommandGuard() {
    return std::make_shared<CommandWatchdog>();
}

std::string OdbcSystem::integratedUserName() {
    std::string principal = KerberosCredentials::defaultPrincipal();
    return principal.empty() ? localUserName() : principal;
}

std::string OdbcSystem::localHostName() {
    std::array<char, 256> buffer{};
    if (gethostname(buffer.data(), buffer.size() - 1) == 0) {
        return buffer.data();
    }
    return {};
}

} // namespace brellow::odbc
