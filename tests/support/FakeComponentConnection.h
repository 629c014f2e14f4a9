#pragma once

#include "FakeComponentProperties.h"
#include "FakeComponentRecordset.h"
#include "FakeComponentState.h"
#include "ado/Connection.h"
#include "ado/ErrorNumbers.h"

namespace brellow::testsupport {

// A connection that opens without a server and answers from the shared state.
class FakeComponentConnection final : public ado::Connection {
public:
    explicit FakeComponentConnection(FakeComponentState& state)
        : state_(state), properties_(state) {
        ++state_.connectionsCreated;
        ++state_.liveConnections;
    }
    ~FakeComponentConnection() override {
        --state_.liveConnections;
        if (current_ == 1) {
            --state_.openConnections;
        }
        state_.record(current_ == 1 ? "Release Connection (open)" : "Release Connection");
    }

    std::string connectionString() const override {
        state_.record("ConnectionString?");
        return text_;
    }
    void setConnectionString(const std::string& text) override {
        state_.record("ConnectionString=" + text);
        state_.connectionStringWrites.push_back(text);
        if (current_ == 1) {
            throw ado::DbError(ado::errors::kNotAllowedWhenOpen,
                               "Operation is not allowed when the object is open.");
        }
        text_ = text;
    }
    void open() override {
        state_.record("Open");
        if (current_ == 1) {
            throw ado::DbError(ado::errors::kNotAllowedWhenOpen,
                               "Operation is not allowed when the object is open.");
        }
        if (state_.failOpen) {
            std::rethrow_exception(state_.failOpen);
        }
        current_ = state_.stateAfterOpen;
        if (current_ == 1) {
            ++state_.openConnections;
        }
    }
    std::int32_t state() const override {
        state_.record("State?");
        return current_;
    }
    std::unique_ptr<ado::Recordset> execute(const std::string& commandText) override {
        state_.record("Execute " + commandText);
        state_.executed.push_back(commandText);
        requireOpen();
        if (state_.failExecute) {
            std::rethrow_exception(state_.failExecute);
        }
        return std::make_unique<FakeComponentRecordset>(state_, true);
    }
    void close() override {
        state_.record("Close");
        requireOpen();
        if (state_.failClose) {
            std::rethrow_exception(state_.failClose);
        }
        current_ = 0;
        --state_.openConnections;
    }
    ado::Properties& properties() override {
        state_.record("Properties");
        requireOpen();
        return properties_;
    }

private:
    void requireOpen() const {
        if (current_ != 1) {
            throw ado::DbError(ado::errors::kNotAllowedWhenClosed,
                               "Operation is not allowed when the object is closed.");
        }
    }

    FakeComponentState& state_;
    FakeComponentProperties properties_;
    std::string text_;
    std::int32_t current_ = 0;
};

} // namespace brellow::testsupport
