#pragma once

#include "os/Shell.h"

#include <string>
#include <vector>

namespace brellow::testsupport {

// Records shell requests and answers with a result and last-error code the test chooses.
class FakeShell final : public os::Shell {
public:
    struct Request {
        std::uintptr_t owner = 0;
        std::string verb;
        std::string file;
        std::string parameters;
        std::string directory;
        std::int32_t showCommand = 0;
    };

    std::int32_t Execute(std::uintptr_t ownerWindow, const std::string& verb,
                         const std::string& file, const std::string& parameters,
                         const std::string& directory, std::int32_t showCommand) override {
        requests.push_back(Request{ownerWindow, verb, file, parameters, directory, showCommand});
        return result;
    }
    std::uint32_t LastError() override {
        ++lastErrorReads;
        return lastError;
    }
    void SetLateFailureReport(LateFailureReport report) override {
        lateFailureReport = std::move(report);
    }

    std::int32_t result = 42;
    std::uint32_t lastError = 0;
    int lastErrorReads = 0;
    std::vector<Request> requests;
    // What a failure after an accepted request would be told to.
    LateFailureReport lateFailureReport;
};

} // namespace brellow::testsupport
