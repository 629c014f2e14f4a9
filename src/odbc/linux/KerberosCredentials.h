#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace brellow::odbc {

// The Kerberos side of integrated security on this machine: the user's default credential
// (the ticket kinit or sssd left in the credentials cache) and the service ticket for the
// server, which the driver then presents in its login.
class KerberosCredentials {
public:
    // The principal of the default credential, "user@REALM"; empty when there is none.
    // Read locally: nothing goes to the KDC or the server.
    static std::string defaultPrincipal();

    // The service principal a SQL Server is known by: MSSQLSvc/host:port. A host name
    // without a dot is replaced by its canonical name when that has one, as the FreeTDS
    // driver does; addresses are used as written.
    static std::string servicePrincipalName(const std::string& host, std::uint16_t port);

    // Gets the service ticket for spn into the credentials cache, waiting for the KDC at
    // most timeout (zero: as long as the Kerberos library takes). The library's own waits
    // for a KDC that doesn't answer add up to about half a minute, longer than a login may
    // take, so the request runs on a thread of its own that is left to finish by itself
    // when the time is up. Raises errors::kFail when there is no usable ticket, the KDC
    // refuses, or it does not answer in time.
    static void obtainServiceTicket(const std::string& spn, std::chrono::milliseconds timeout);
};

} // namespace brellow::odbc
