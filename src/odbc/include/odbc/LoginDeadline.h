#pragma once

#include <chrono>

namespace brellow::odbc {

// The time an open may take: every wait before the driver's own login (the SQL Server
// Browser, the KDC) uses up part of it, and the driver gets what is left.
class LoginDeadline {
public:
    // 0 seconds: no limit, as in ADO. Counted from `started`, which is now unless a test says
    // otherwise.
    explicit LoginDeadline(int loginTimeoutSeconds, std::chrono::steady_clock::time_point started =
                                                        std::chrono::steady_clock::now());

    // How long a wait before the driver's login (the browser, the certificate probe) may take
    // when the open has no limit: one that never answers must not hang it for ever.
    static constexpr int kUnlimitedWaitSeconds = 15;

    // What is left, at least 1 ms; `whenUnlimited` seconds when there is no limit (0: zero,
    // which the waits take for "no limit" too).
    std::chrono::milliseconds remaining(int whenUnlimited = 0) const;
    // What is left for the driver's SQL_ATTR_LOGIN_TIMEOUT, in whole seconds, at least 1;
    // 0 when there is no limit. Rounded to the nearest second: cut down, the first
    // millisecond spent before the driver's login would take a whole second from it.
    int driverSeconds() const;

private:
    int seconds_;
    std::chrono::steady_clock::time_point started_;
};

} // namespace brellow::odbc
