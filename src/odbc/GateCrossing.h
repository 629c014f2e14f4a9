#pragma once

#include "connstring/ConnectionSettings.h"
#include "odbc/LoginDeadline.h"
#include "odbc/LoginTarget.h"
#include "trust/TrustGate.h"

namespace brellow::odbc {

// A login's way through the trust gate, the same on every system: the gate asked, the
// deadline started again after a question (the user's time is not the login's), and the
// user's "no" or the gate's refusal raised as the command's error.
class GateCrossing {
public:
    // Raises errors::kOperationCancelled when the user said no, errors::kFail when nothing may
    // be sent. recheck: fetch the certificate now, whatever the run remembers.
    static trust::TrustGate::Passage pass(trust::TrustGate& gate,
                                          const connstring::ConnectionSettings& settings,
                                          const LoginTarget& target, LoginDeadline& deadline,
                                          bool recheck, const std::string& driverNote = {});
};

} // namespace brellow::odbc
