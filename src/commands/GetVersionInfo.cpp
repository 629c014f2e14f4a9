#include "commands/GetVersionInfo.h"

#include "commands/VersionQuery.h"

namespace brellow::commands {

GetVersionInfo::GetVersionInfo(ServerCommand& procedure) : procedure_(procedure) {}

void GetVersionInfo::run(const ConnectionRequest& request, const ShowAnswers& show) {
    procedure_.run(
        request, {.showBusyPointer = true},
        [&show](ado::Connection& connection, std::unique_ptr<ado::Recordset>& recordset) {
            ServerAnswers answers;
            try {
                VersionQuery::ask(connection, recordset, answers);
            } catch (...) {
                // What was read before the failure shows, and then the failure's box.
                show(answers);
                throw;
            }
            show(answers);
        });
}

} // namespace brellow::commands
