#include "db/OdbcComponentFactory.h"

#include "db/ConnectionStringParser.h"
#include "db/OdbcConnection.h"
#include "db/OdbcRecordset.h"
#include "db/OdbcSystem.h"

namespace brellow::db {

OdbcComponentFactory::OdbcComponentFactory()
    : OdbcComponentFactory(OdbcSystem::DefaultDriverCandidates()) {}

OdbcComponentFactory::OdbcComponentFactory(std::vector<std::string> driverCandidates)
    : driverCandidates_(std::move(driverCandidates)), guard_(OdbcSystem::MakeCommandGuard()) {}

std::unique_ptr<DbObject> OdbcComponentFactory::CreateObject(std::string_view progId) {
    // Programmatic identifiers are not case-sensitive.
    if (ConnectionStringParser::KeywordsEqual(progId, kConnectionProgId)) {
        return std::make_unique<OdbcConnection>(driverCandidates_, guard_);
    }
    if (ConnectionStringParser::KeywordsEqual(progId, kRecordsetProgId)) {
        return std::make_unique<OdbcRecordset>();
    }
    throw DbError(errors::kCannotCreateObject,
                  "ActiveX component can't create object: " + std::string(progId));
}

} // namespace brellow::db
