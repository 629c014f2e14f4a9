#include "OdbcDriverLocator.h"

#include <filesystem>

#ifndef BRELLOW_LIBRARY_ARCHITECTURE
#define BRELLOW_LIBRARY_ARCHITECTURE ""
#endif

namespace brellow::odbc {

std::vector<std::string> OdbcDriverLocator::defaultCandidates() {
    const std::string library = "libtdsodbc.so";
    std::vector<std::string> candidates;
    const std::string architecture = BRELLOW_LIBRARY_ARCHITECTURE;
    if (!architecture.empty()) {
        candidates.push_back("/usr/lib/" + architecture + "/odbc/" + library);
        candidates.push_back("/usr/lib/" + architecture + "/" + library);
    }
    for (const char* directory : {"/usr/lib/odbc/", "/usr/lib64/", "/usr/lib/", "/usr/local/lib/",
                                  "/usr/local/lib/odbc/", "/opt/homebrew/lib/"}) {
        candidates.push_back(directory + library);
    }
    return candidates;
}

std::string OdbcDriverLocator::locate(const std::vector<std::string>& candidates) {
    for (const std::string& candidate : candidates) {
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error)) {
            return candidate;
        }
    }
    return {};
}

} // namespace brellow::odbc
