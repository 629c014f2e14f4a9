#pragma once

#include "ado/DbError.h"
#include "ado/Variant.h"

#include <cctype>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace brellow::testsupport {

// What the fake database component is told to do, and what was asked of it. Shared by the
// fake factory and every object it creates; it must outlive them.
struct FakeComponentState {
    struct PropertyEntry {
        std::string name;
        ado::Variant value;
    };

    static std::exception_ptr error(std::int32_t number, const std::string& description) {
        return std::make_exception_ptr(ado::DbError(number, description));
    }

    static std::string upper(std::string text) {
        for (char& c : text) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        return text;
    }

    // --- What to do. A set exception_ptr is thrown by that operation.
    std::exception_ptr failCreateConnection;
    std::exception_ptr failCreateRecordset;
    std::exception_ptr failOpen;
    std::exception_ptr failExecute;
    std::exception_ptr failRecordsetClose;
    std::exception_ptr failClose;
    std::exception_ptr failPropertyCount;
    // Thrown when the property at this position is looked up.
    std::optional<std::int32_t> failPropertyAt;
    std::exception_ptr failProperty;
    // The state Open leaves behind (1 = open).
    std::int32_t stateAfterOpen = 1;
    // The query's result: its record count and its one row, by column name (any case).
    std::int32_t recordCount = 1;
    std::map<std::string, ado::Variant> row;
    // Reading the value of this column throws.
    std::map<std::string, std::exception_ptr> failField;
    std::vector<PropertyEntry> properties;
    // A count other than the number of properties, for odd components.
    std::optional<std::int32_t> reportedPropertyCount;

    // --- What happened, in order: "Create ADODB.Connection", "ConnectionString=<text>",
    // "ConnectionString?", "Open", "State?", "Execute <text>", "RecordCount?",
    // "Field Edition", "Recordset.Close", "Close", "Properties.Count",
    // "Property[2].Name", "Property[2].Value", "Release Connection", "Release Recordset"...
    std::vector<std::string> calls;
    std::vector<std::string> connectionStringWrites;
    std::vector<std::string> executed;
    int connectionsCreated = 0;
    int recordsetsCreated = 0;
    int liveConnections = 0;
    int liveRecordsets = 0;
    int openConnections = 0;
    // Runs after each call is recorded, for tests that look at the program's state then.
    std::function<void(const std::string&)> onCall;

    void record(const std::string& call) {
        calls.push_back(call);
        if (onCall) {
            onCall(call);
        }
    }

    int countCalls(const std::string& call) const {
        int n = 0;
        for (const auto& c : calls) {
            n += c == call ? 1 : 0;
        }
        return n;
    }
};

} // namespace brellow::testsupport
