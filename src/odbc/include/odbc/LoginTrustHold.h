#pragma once

namespace brellow::odbc {

// What a login's certificate check leaves in place until the login is over: on Linux, the
// driver's private configuration that validates what the user trusted.
class LoginTrustHold {
public:
    virtual ~LoginTrustHold() = default;
};

} // namespace brellow::odbc
