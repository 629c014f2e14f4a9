#pragma once

#include "FakeComponentState.h"
#include "ado/ErrorNumbers.h"
#include "ado/Recordset.h"

#include <map>
#include <memory>

namespace brellow::testsupport {

class FakeComponentRecordset;

// One column of the fake recordset's single row.
class FakeComponentField final : public ado::Field {
public:
    FakeComponentField(FakeComponentState& state, const FakeComponentRecordset& recordset,
                       std::string name)
        : state_(state), recordset_(recordset), name_(std::move(name)) {}

    std::string name() const override { return name_; }
    ado::Variant value() const override;

private:
    FakeComponentState& state_;
    const FakeComponentRecordset& recordset_;
    std::string name_;
};

class FakeComponentFields final : public ado::Fields {
public:
    FakeComponentFields(FakeComponentState& state, const FakeComponentRecordset& recordset)
        : state_(state), recordset_(recordset) {}

    std::int32_t count() const override { return static_cast<std::int32_t>(state_.row.size()); }

    ado::Field& item(const std::string& name) override {
        state_.record("Field " + name);
        for (const auto& [column, value] : state_.row) {
            if (FakeComponentState::upper(column) == FakeComponentState::upper(name)) {
                auto& field = fields_[FakeComponentState::upper(name)];
                if (!field) {
                    field = std::make_unique<FakeComponentField>(state_, recordset_, column);
                }
                return *field;
            }
        }
        throw ado::DbError(ado::errors::kItemNotFound,
                           "Item cannot be found in the collection corresponding to the "
                           "requested name or ordinal.");
    }

private:
    FakeComponentState& state_;
    const FakeComponentRecordset& recordset_;
    std::map<std::string, std::unique_ptr<FakeComponentField>> fields_;
};

// A recordset: either the empty one created by name (closed), or a query's result (open,
// on its one row).
class FakeComponentRecordset final : public ado::Recordset {
public:
    FakeComponentRecordset(FakeComponentState& state, bool isResult)
        : state_(state), open_(isResult), fields_(state, *this) {
        ++state_.recordsetsCreated;
        ++state_.liveRecordsets;
    }
    ~FakeComponentRecordset() override {
        --state_.liveRecordsets;
        state_.record(open_ ? "Release Recordset (open)" : "Release Recordset");
    }

    std::int32_t recordCount() const override {
        state_.record("RecordCount?");
        requireOpen();
        return state_.recordCount;
    }
    ado::Fields& fields() override {
        requireOpen();
        return fields_;
    }
    std::int32_t state() const override { return open_ ? 1 : 0; }
    void close() override {
        state_.record("Recordset.Close");
        requireOpen();
        if (state_.failRecordsetClose) {
            std::rethrow_exception(state_.failRecordsetClose);
        }
        open_ = false;
    }

    void requireOpen() const {
        if (!open_) {
            throw ado::DbError(ado::errors::kNotAllowedWhenClosed,
                               "Operation is not allowed when the object is closed.");
        }
    }

private:
    FakeComponentState& state_;
    bool open_;
    FakeComponentFields fields_;
};

inline ado::Variant FakeComponentField::value() const {
    state_.record("Value " + name_);
    recordset_.requireOpen();
    const auto failure = state_.failField.find(name_);
    if (failure != state_.failField.end() && failure->second) {
        std::rethrow_exception(failure->second);
    }
    return state_.row.at(name_);
}

} // namespace brellow::testsupport
