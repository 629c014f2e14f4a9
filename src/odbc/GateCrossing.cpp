#include "GateCrossing.h"

#include "ado/DbError.h"
#include "ado/ErrorNumbers.h"

namespace brellow::odbc {

trust::TrustGate::Passage GateCrossing::pass(trust::TrustGate& gate,
                                             const connstring::ConnectionSettings& settings,
                                             const LoginTarget& target, LoginDeadline& deadline,
                                             bool recheck, const std::string& driverNote) {
    using Kind = trust::TrustGate::Passage::Kind;
    trust::TrustGate::Login login{target.host,
                                  settings.address().instance(),
                                  target.port,
                                  !settings.integratedSecurity(),
                                  std::chrono::steady_clock::now() +
                                      deadline.remaining(LoginDeadline::kUnlimitedWaitSeconds),
                                  driverNote};
    const trust::TrustGate::Passage passage = recheck ? gate.recheck(login) : gate.check(login);
    if (passage.asked) {
        deadline = LoginDeadline(settings.connectTimeoutSeconds());
    }
    if (passage.kind == Kind::Cancelled) {
        throw ado::DbError(ado::errors::kOperationCancelled,
                           "Operation has been cancelled by the user.");
    }
    if (passage.kind == Kind::Refused) {
        throw ado::DbError(ado::errors::kFail, "No login was sent to the server: " + passage.error);
    }
    return passage;
}

} // namespace brellow::odbc
