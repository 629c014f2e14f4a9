#include "db/OdbcComponentFactory.h"

#include "db/CommandWatchdog.h"
#include "db/ConnectionStringParser.h"
#include "db/OdbcConnection.h"
#include "db/OdbcDriverLocator.h"
#include "db/OdbcRecordset.h"

namespace brellow::db {

OdbcComponentFactory::OdbcComponentFactory()
    : OdbcComponentFactory(OdbcDriverLocator::DefaultCandidates()) {}

OdbcComponentFactory::OdbcComponentFactory(std::vector<std::string> driverCandidates)
    : driverCandidates_(std::move(driverCandidates)),
      watchdog_(std::make_shared<CommandWatchdog>()) {}

std::unique_ptr<DbObject> OdbcComponentFactory::CreateObject(std::string_view progId) {
    // Programmatic identifiers are not case-sensitive.
    if (ConnectionStringParser::KeywordsEqual(progId, kConnectionProgId)) {
        return std::make_unique<OdbcConnection>(driverCandidates_, watchdog_);
    }
    if (ConnectionStringParser::KeywordsEqual(progId, kRecordsetProgId)) {
        return std::make_unique<OdbcRecordset>();
    }
    throw DbError(errors::kCannotCreateObject,
                  "ActiveX component can't create object: " + std::string(progId));
}

} // namespace brellow::db
