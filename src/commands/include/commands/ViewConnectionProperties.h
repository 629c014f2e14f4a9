#pragma once

#include "commands/ConnectionRequest.h"
#include "commands/ServerCommand.h"

#include <QStringList>
#include <functional>

namespace brellow::commands {

// View Connection Properties: no hourglass, the connection, and every property it reports
// handed to the window as rows; the connection stays open until they have been seen.
class ViewConnectionProperties {
public:
    // Shows the rows and returns once the user has closed what shows them. Only called when
    // every row could be read.
    using ShowRows = std::function<void(const QStringList& rows)>;

    explicit ViewConnectionProperties(ServerCommand& procedure);

    void run(const ConnectionRequest& request, const ShowRows& show);

private:
    ServerCommand& procedure_;
};

} // namespace brellow::commands
