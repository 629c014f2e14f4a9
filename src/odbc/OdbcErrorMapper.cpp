#include "odbc/OdbcErrorMapper.h"

#include "ado/ErrorNumbers.h"

#include <algorithm>

namespace brellow::odbc {
namespace {

// FreeTDS numbers the failures it detects itself (network, timeouts) from 20000 upwards.
bool isClientLibraryError(const OdbcDiagnostic& d) {
    return d.nativeError >= 20000 && d.nativeError <= 20999;
}

bool stateStartsWith(const OdbcDiagnostic& d, std::string_view prefix) {
    return d.sqlState.compare(0, prefix.size(), prefix) == 0;
}

bool isTimeout(const OdbcDiagnostic& d) {
    return d.sqlState == "HYT00" || d.sqlState == "HYT01";
}

bool isConnectionLost(const OdbcDiagnostic& d) {
    return stateStartsWith(d, "08") || (stateStartsWith(d, "01") && isClientLibraryError(d));
}

bool isDriverMissing(const OdbcDiagnostic& d) {
    // IM002 no such driver, IM003 the driver could not be loaded, IM004/IM005 its setup failed.
    return d.sqlState == "IM002" || d.sqlState == "IM003" || d.sqlState == "IM004" ||
           d.sqlState == "IM005";
}

// The record that says most: the first with a number of its own, else the first.
std::string bestDescription(const std::vector<OdbcDiagnostic>& diagnostics,
                            std::string_view fallback) {
    auto chosen = std::find_if(diagnostics.begin(), diagnostics.end(),
                               [](const OdbcDiagnostic& d) { return d.nativeError != 0; });
    if (chosen == diagnostics.end() && !diagnostics.empty()) {
        chosen = diagnostics.begin();
    }
    if (chosen != diagnostics.end()) {
        std::string text = OdbcErrorMapper::stripDriverPrefixes(chosen->message);
        if (!text.empty()) {
            return text;
        }
    }
    return std::string(fallback);
}

} // namespace

std::string OdbcErrorMapper::stripDriverPrefixes(std::string_view message) {
    while (!message.empty() && message.front() == '[') {
        const auto close = message.find(']');
        if (close == std::string_view::npos) {
            break;
        }
        message.remove_prefix(close + 1);
    }
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
        message.remove_suffix(1);
    }
    return std::string(message);
}

ado::DbError OdbcErrorMapper::timeout() {
    return ado::DbError(ado::errors::kCommandTimeout, "Query timeout expired");
}

ado::DbError OdbcErrorMapper::map(Operation operation,
                                  const std::vector<OdbcDiagnostic>& diagnostics) {
    const auto any = [&](auto predicate) {
        return std::any_of(diagnostics.begin(), diagnostics.end(), predicate);
    };
    if (operation == Operation::Connect) {
        if (any(isDriverMissing)) {
            return ado::DbError(ado::errors::kProviderNotFound,
                                "Provider cannot be found. It may not be properly installed.");
        }
        // Unreachable, refused, timed out during the handshake or login refused: ADO reports
        // every one of these as E_FAIL.
        return ado::DbError(ado::errors::kFail,
                            bestDescription(diagnostics, "The server could not be connected to."));
    }
    if (any(isTimeout)) {
        return timeout();
    }
    if (any(isConnectionLost)) {
        return ado::DbError(ado::errors::kFail,
                            bestDescription(diagnostics, "The connection to the server was lost."));
    }
    const auto rejected =
        std::find_if(diagnostics.begin(), diagnostics.end(), [](const OdbcDiagnostic& d) {
            return d.nativeError > 0 && !isClientLibraryError(d);
        });
    if (rejected != diagnostics.end()) {
        return ado::DbError(ado::errors::kCommandRejected, stripDriverPrefixes(rejected->message));
    }
    return ado::DbError(ado::errors::kFail, bestDescription(diagnostics, "The command failed."));
}

} // namespace brellow::odbc
