#include "odbc/OdbcComponentFactory.h"

#include "odbc/OdbcConnection.h"
#include "odbc/OdbcRecordset.h"
#include "odbc/OdbcSystem.h"
#include "text/CaseInsensitive.h"

namespace brellow::odbc {

OdbcComponentFactory::OdbcComponentFactory()
    : OdbcComponentFactory(OdbcSystem::defaultDriverCandidates()) {}

OdbcComponentFactory::OdbcComponentFactory(std::vector<std::string> driverCandidates)
    : driverCandidates_(std::move(driverCandidates)), guard_(OdbcSystem::makeCommandGuard()) {}

std::unique_ptr<ado::DbObject> OdbcComponentFactory::createObject(std::string_view progId) {
    // Programmatic identifiers are not case-sensitive.
    if (text::equalsIgnoringCase(progId, ado::kConnectionProgId)) {
        return std::make_unique<OdbcConnection>(driverCandidates_, guard_, gate_);
    }
    if (text::equalsIgnoringCase(progId, ado::kRecordsetProgId)) {
        return std::make_unique<OdbcRecordset>();
    }
    throw ado::DbError(ado::errors::kCannotCreateObject,
                       "ActiveX component can't create object: " + std::string(progId));
}

} // namespace brellow::odbc
