// brellow-tds-testserver: a TDS server that answers a TDS 7.1 client like SQL Server 7.0 to
// 2022 (2000 SP4 unless told otherwise), for Brellow's integration tests and demo. Loopback
// only; stops by itself.
#include "ServerOptions.h"
#include "SqlBrowserResponder.h"
#include "TdsListener.h"
#include "WireLog.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

int main(int argc, char** argv) {
    using namespace brellow::tdsserver;
    std::signal(SIGPIPE, SIG_IGN);

    const std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    const auto options = ServerOptions::parse(args, error);
    if (!options) {
        std::fprintf(stderr, "brellow-tds-testserver: %s\n%s", error.c_str(),
                     ServerOptions::usage().c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(ServerOptions::usage().c_str(), stdout);
        return 0;
    }

    WireLog log;
    if (!options->wireLog.empty() && !log.open(options->wireLog)) {
        std::fprintf(stderr, "brellow-tds-testserver: cannot write %s\n", options->wireLog.c_str());
        return 1;
    }
    if (!options->rawLog.empty() && ::mkdir(options->rawLog.c_str(), 0700) != 0 &&
        errno != EEXIST) {
        std::fprintf(stderr, "brellow-tds-testserver: cannot create %s\n", options->rawLog.c_str());
        return 1;
    }
    TdsListener listener(*options, log);
    if (!listener.open(error)) {
        std::fprintf(stderr, "brellow-tds-testserver: %s\n", error.c_str());
        return 1;
    }
    std::unique_ptr<SqlBrowserResponder> browser;
    if (options->browserPort != 0) {
        browser =
            std::make_unique<SqlBrowserResponder>(options->serverName, options->instance, log);
        if (!browser->open(options->browserPort, listener.port(), error)) {
            std::fprintf(stderr, "brellow-tds-testserver: %s\n", error.c_str());
            return 1;
        }
    }
    std::printf("LISTENING %u\n", static_cast<unsigned>(listener.port()));
    std::fflush(stdout);
    listener.run();
    return 0;
}
