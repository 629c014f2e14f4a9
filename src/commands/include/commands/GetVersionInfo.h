#pragma once

#include "commands/ConnectionRequest.h"
#include "commands/ServerAnswers.h"
#include "commands/ServerCommand.h"

#include <functional>

namespace brellow::commands {

// Get Version Info: the hourglass, the connection, the version query, and the server's answers
// handed to the window, which has emptied its fields before.
class GetVersionInfo {
public:
    // Receives the answers once, as far as the server gave them, before a failure is reported.
    using ShowAnswers = std::function<void(const ServerAnswers&)>;

    explicit GetVersionInfo(ServerCommand& procedure);

    void run(const ConnectionRequest& request, const ShowAnswers& show);

private:
    ServerCommand& procedure_;
};

} // namespace brellow::commands
