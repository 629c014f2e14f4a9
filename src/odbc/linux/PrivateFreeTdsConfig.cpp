#include "PrivateFreeTdsConfig.h"

#include "ado/DbError.h"
#include "ado/ErrorNumbers.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace brellow::odbc {
namespace {

constexpr const char* kVariable = "FREETDSCONF";

// A host name, IPv4 or IPv6 address: nothing that could start another line or section.
bool plainHost(const std::string& host) {
    return !host.empty() && std::all_of(host.begin(), host.end(), [](unsigned char c) {
        return std::isalnum(c) || c == '.' || c == '-' || c == '_' || c == ':' || c == '%';
    });
}

bool writeFile(const std::string& path, const std::string& text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n <= 0) {
            ::close(fd);
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    return ::close(fd) == 0;
}

[[noreturn]] void cannotMake() {
    throw ado::DbError(ado::errors::kFail, "The driver's configuration for checking the "
                                           "server's certificate could not be made.");
}

} // namespace

std::string PrivateFreeTdsConfig::text(const Server& server, const std::string& pinnedFile) {
    const bool pinned = !pinnedFile.empty();
    return std::string("[") + kSection + "]\n" + "\thost = " + server.host + "\n" +
           "\tport = " + std::to_string(server.port) + "\n" +
           // TDS 8.0 reads every token as TDS 7.4 writes it.
           (server.strict ? "\ttds version = 7.4\n" : "\ttds version = 7.1\n") +
           // Required (or TLS first), so that no answer between the check and the login can
           // turn it off.
           (server.strict ? "\tencryption = strict\n" : "\tencryption = require\n") +
           (pinned || !server.authorities.empty()
                ? "\tca file = " + (pinned ? pinnedFile : server.authorities) + "\n" +
                      // A pinned certificate is trusted for this server whatever name it bears.
                      "\tcheck certificate hostname = " + (pinned ? "no" : "yes") + "\n"
                : std::string());
}

PrivateFreeTdsConfig::PrivateFreeTdsConfig(const Server& server) {
    if (!plainHost(server.host)) {
        throw ado::DbError(ado::errors::kBadConnectionString,
                           "The Data Source holds characters that are no part of a server's "
                           "name.");
    }
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string pattern = std::string(runtime != nullptr && *runtime != '\0' ? runtime : "/tmp") +
                          "/brellow-driver.XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        cannotMake();
    }
    folder_ = pattern;
    std::string pinnedFile;
    if (!server.pinnedPem.empty()) {
        pinnedFile = folder_ + "/pinned.pem";
        if (!writeFile(pinnedFile, server.pinnedPem)) {
            removeFiles();
            cannotMake();
        }
    }
    if (!writeFile(folder_ + "/freetds.conf", text(server, pinnedFile))) {
        removeFiles();
        cannotMake();
    }
    if (const char* before = std::getenv(kVariable)) {
        previous_ = before;
    }
    ::setenv(kVariable, (folder_ + "/freetds.conf").c_str(), 1);
}

PrivateFreeTdsConfig::~PrivateFreeTdsConfig() {
    if (previous_) {
        ::setenv(kVariable, previous_->c_str(), 1);
    } else {
        ::unsetenv(kVariable);
    }
    removeFiles();
}

void PrivateFreeTdsConfig::removeFiles() noexcept {
    if (folder_.empty()) {
        return;
    }
    std::remove((folder_ + "/freetds.conf").c_str());
    std::remove((folder_ + "/pinned.pem").c_str());
    ::rmdir(folder_.c_str());
    folder_.clear();
}

} // namespace brellow::odbc
