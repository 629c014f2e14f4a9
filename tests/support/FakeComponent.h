#pragma once

#include "FakeComponentConnection.h"
#include "FakeComponentRecordset.h"
#include "FakeComponentState.h"
#include "ado/ComponentFactory.h"

namespace brellow::testsupport {

// A database component without a server: configure it through the FakeComponentState
// members, hand it over as the ComponentFactory, and read back what was asked of it.
class FakeComponent final : public ado::ComponentFactory, public FakeComponentState {
public:
    std::unique_ptr<ado::DbObject> createObject(std::string_view progId) override {
        record("Create " + std::string(progId));
        if (progId == ado::kConnectionProgId) {
            if (failCreateConnection) {
                std::rethrow_exception(failCreateConnection);
            }
            return std::make_unique<FakeComponentConnection>(*this);
        }
        if (progId == ado::kRecordsetProgId) {
            if (failCreateRecordset) {
                std::rethrow_exception(failCreateRecordset);
            }
            return std::make_unique<FakeComponentRecordset>(*this, false);
        }
        throw ado::DbError(ado::errors::kCannotCreateObject,
                           "ActiveX component can't create object: " + std::string(progId));
    }
};

} // namespace brellow::testsupport
