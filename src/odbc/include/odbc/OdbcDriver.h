#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brellow::odbc {

// The ODBC driver a connection goes through, and which connection-string keywords it speaks.
struct OdbcDriver {
    enum class Dialect {
        // FreeTDS: Linux's driver, and Windows' last resort.
        FreeTds,
        // Microsoft's ODBC Driver 18 (and later) for SQL Server: encrypts and validates by
        // default.
        MicrosoftOdbc18,
        // Microsoft's ODBC Driver 17 for SQL Server.
        MicrosoftOdbc17,
        // SQL Server Native Client 11.0.
        NativeClient11,
        // The "SQL Server" driver every Windows has (sqlsrv32.dll).
        WindowsSqlServer,
    };

    // The driver's name for the driver manager (or, on Linux, the library's path).
    std::string name;
    Dialect dialect = Dialect::FreeTds;

    // What the connection string can make the driver check of a server's certificate:
    // - validate it against the system's roots: Microsoft's drivers (FreeTDS takes its
    //   authority from freetds.conf only);
    bool validatesCertificates() const;
    // - accept exactly one certificate, a file: ODBC Driver 18.1 and later, in TDS 8.0 only;
    bool matchesCertificateFile(bool strict) const;
    // - speak TDS 8.0: ODBC Driver 18.1 and later, FreeTDS 1.5 and later.
    bool speaksStrict() const;

    // The dialect follows from the name; a name of no Microsoft driver is taken for FreeTDS.
    static OdbcDriver named(std::string name);

    // Windows' SQL Server drivers, best first: Microsoft's current drivers, the Native Client,
    // the one built into Windows, then FreeTDS.
    static const std::vector<std::string>& windowsPreference();

    // The first of `preferred` that `installed` lists (case does not matter), with the
    // driver manager's own spelling; empty when none is.
    static std::string firstInstalled(const std::vector<std::string>& preferred,
                                      const std::vector<std::string>& installed);
};

} // namespace brellow::odbc
