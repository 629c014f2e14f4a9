#include "odbc/LoginDeadline.h"

#include <algorithm>

namespace brellow::odbc {

LoginDeadline::LoginDeadline(int loginTimeoutSeconds, std::chrono::steady_clock::time_point started)
    : seconds_(loginTimeoutSeconds), started_(started) {}

std::chrono::milliseconds LoginDeadline::remaining(int whenUnlimited) const {
    const int limit = seconds_ > 0 ? seconds_ : whenUnlimited;
    if (limit <= 0) {
        return std::chrono::milliseconds(0);
    }
    const auto used = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started_);
    return std::max(std::chrono::milliseconds(1), std::chrono::seconds(limit) - used);
}

int LoginDeadline::driverSeconds() const {
    if (seconds_ <= 0) {
        return 0;
    }
    return static_cast<int>(std::max<std::chrono::seconds::rep>(
        1, std::chrono::round<std::chrono::seconds>(remaining()).count()));
}

} // namespace brellow::odbc
