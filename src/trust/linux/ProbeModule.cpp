#include "trust/CertificateProbe.h"

#include <dlfcn.h>
#include <limits.h>
#include <string>
#include <unistd.h>

namespace brellow::trust {
namespace {

using Fetch = void (*)(const CertificateProbe::Request*, CertificateProbe::Result*);

constexpr const char* kModule = "brellow-certificate-probe.so";

// Installed, beside the program's own lib folder; else where this build made it.
std::string installedPath() {
    char self[PATH_MAX] = {};
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) {
        return {};
    }
    std::string folder(self, static_cast<std::size_t>(length));
    folder.erase(folder.rfind('/'));
    return folder + "/../lib/brellow/" + kModule;
}

// Loaded once, on the first probe of the run, and kept.
Fetch loadFetch(std::string& error) {
    for (const std::string& path : {installedPath(), std::string(BRELLOW_PROBE_MODULE_BUILT)}) {
        if (path.empty() || ::access(path.c_str(), R_OK) != 0) {
            continue;
        }
        if (void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
            if (auto fetch =
                    reinterpret_cast<Fetch>(::dlsym(module, "brellow_fetch_certificate"))) {
                return fetch;
            }
        }
        const char* why = ::dlerror();
        error = path + ": " + (why != nullptr ? why : "no entry point");
        return nullptr;
    }
    error = std::string("the certificate probe module ") + kModule + " is not installed";
    return nullptr;
}

} // namespace

CertificateProbe::Result CertificateProbe::fetch(const Request& request) {
    static std::string loadError;
    static const Fetch fetch = loadFetch(loadError);
    Result result;
    if (fetch == nullptr) {
        result.outcome = Result::Outcome::Failed;
        result.error = loadError;
        return result;
    }
    fetch(&request, &result);
    return result;
}

} // namespace brellow::trust
