#include "SqlBrowserLookup.h"

#include "BrowserSocket.h"
#include "SqlBrowserClient.h"
#include "ado/DbError.h"
#include "ado/ErrorNumbers.h"

#include <array>

namespace brellow::odbc {
namespace {

[[noreturn]] void unavailable(const std::string& host, const std::string& instance) {
    throw ado::DbError(ado::errors::kFail, "The SQL Server Browser on " + host +
                                               " did not tell the port of the instance " +
                                               instance + ".");
}

} // namespace

std::uint16_t SqlBrowserLookup::lookUpPort(const std::string& host, std::uint16_t browserPort,
                                           const std::string& instance,
                                           std::chrono::milliseconds timeout) {
    BrowserSocket browser;
    switch (browser.open(host, browserPort)) {
    case BrowserSocket::Opened::Unresolved:
        throw ado::DbError(ado::errors::kFail,
                           "The server name " + host + " could not be resolved.");
    case BrowserSocket::Opened::Failed:
        unavailable(host, instance);
    case BrowserSocket::Opened::Yes:
        break;
    }
    if (!browser.send(SqlBrowserClient::request(instance))) {
        unavailable(host, instance);
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::array<char, 4096> buffer{};
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            unavailable(host, instance);
        }
        const long received = browser.receive(buffer.data(), buffer.size(), left);
        if (received < 0) {
            unavailable(host, instance);
        }
        if (const auto port = SqlBrowserClient::parseResponse(
                std::string_view(buffer.data(), static_cast<std::size_t>(received)), instance)) {
            return *port;
        }
        // A stray or foreign datagram: keep waiting until the deadline.
    }
}

} // namespace brellow::odbc
