#pragma once

#include "FakeComponentState.h"
#include "ado/ErrorNumbers.h"
#include "ado/Properties.h"

#include <memory>
#include <vector>

namespace brellow::testsupport {

// The property at one position of the fake connection's collection.
class FakeComponentProperty final : public ado::Property {
public:
    FakeComponentProperty(FakeComponentState& state, std::size_t position)
        : state_(state), position_(position) {}

    std::string name() const override {
        state_.record("Property[" + std::to_string(position_) + "].Name");
        return state_.properties.at(position_).name;
    }
    ado::Variant value() const override {
        state_.record("Property[" + std::to_string(position_) + "].Value");
        return state_.properties.at(position_).value;
    }

private:
    FakeComponentState& state_;
    std::size_t position_;
};

class FakeComponentProperties final : public ado::Properties {
public:
    explicit FakeComponentProperties(FakeComponentState& state) : state_(state) {}

    std::int32_t count() const override {
        state_.record("Properties.Count");
        if (state_.failPropertyCount) {
            std::rethrow_exception(state_.failPropertyCount);
        }
        return state_.reportedPropertyCount.value_or(
            static_cast<std::int32_t>(state_.properties.size()));
    }

    ado::Property& item(std::int32_t position) override {
        state_.record("Properties.Item(" + std::to_string(position) + ")");
        if (state_.failPropertyAt == position && state_.failProperty) {
            std::rethrow_exception(state_.failProperty);
        }
        if (position < 0 || static_cast<std::size_t>(position) >= state_.properties.size()) {
            throw ado::DbError(ado::errors::kItemNotFound,
                               "Item cannot be found in the collection corresponding to the "
                               "requested name or ordinal.");
        }
        while (items_.size() <= static_cast<std::size_t>(position)) {
            items_.push_back(std::make_unique<FakeComponentProperty>(state_, items_.size()));
        }
        return *items_[static_cast<std::size_t>(position)];
    }

private:
    FakeComponentState& state_;
    std::vector<std::unique_ptr<FakeComponentProperty>> items_;
};

} // namespace brellow::testsupport
