#pragma once

#include "connstring/ConnectionSettings.h"
#include "odbc/CertificateCheck.h"
#include "odbc/CommandGuard.h"
#include "odbc/LoginDeadline.h"
#include "odbc/LoginTarget.h"
#include "odbc/LoginTrustHold.h"
#include "odbc/OdbcDriver.h"

#include <memory>
#include <string>
#include <vector>

namespace brellow::trust {
class TrustGate;
class TrustQuestions;
} // namespace brellow::trust

namespace brellow::odbc {

// What the component does differently on each operating system. The one header has an
// implementation for Linux (unixODBC and FreeTDS, linux/) and one for Windows (the system's
// driver manager and its SQL Server drivers, windows/).
class OdbcSystem {
public:
    // Where to look for a driver, best first: on Linux, the FreeTDS library's usual paths; on
    // Windows, the names of the SQL Server drivers.
    static std::vector<std::string> defaultDriverCandidates();
    // The first of the candidates that is there; when none is, the driver registered with
    // the driver manager as "FreeTDS".
    static OdbcDriver findDriver(const std::vector<std::string>& candidates);

    // Everything before the driver's login that the driver would not do in time by itself.
    // Raises errors::kFail for a server or a ticket that can't be had within the deadline.
    static LoginTarget prepareLogin(const connstring::ConnectionSettings& settings,
                                    const LoginDeadline& deadline);

    // The gate every login of the run passes, asking `questions`, with the pins remembered in
    // pinsFile.
    static std::shared_ptr<trust::TrustGate> makeTrustGate(trust::TrustQuestions& questions,
                                                           const std::string& pinsFile);

    // Before the login, where the run has a trust gate: the server's certificate is checked,
    // or the user asked, and the driver is held to what was let through as far as it can be:
    // on Linux through a private freetds.conf (`target` then names its section), on Windows
    // through the connection string's keywords (`target.certificate`). Where a driver cannot
    // be held to a certificate the gate compares it just before each login. The deadline
    // starts again after a question: the user's time is not the login's. Raises
    // errors::kOperationCancelled when the user said no, errors::kFail when nothing may be
    // sent. What it returns is kept until the login is over. recheck: the driver failed a
    // login the gate let through from memory, and the server did not refuse it: fetch the
    // certificate again before another try.
    static std::unique_ptr<LoginTrustHold>
    passTrustGate(trust::TrustGate* gate, const connstring::ConnectionSettings& settings,
                  const OdbcDriver& driver, LoginTarget& target, LoginDeadline& deadline,
                  CertificateCheck& check, bool recheck = false);

    // The watch over commands whose server stops answering, where there can be one.
    static std::shared_ptr<CommandGuard> makeCommandGuard();

    // Who logged in under integrated security: the Kerberos principal, or the user's own
    // name where there is none.
    static std::string integratedUserName();
    // This machine's name.
    static std::string localHostName();
};

} // namespace brellow::odbc
