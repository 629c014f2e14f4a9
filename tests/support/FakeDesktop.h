#pragma once

#include "os/Desktop.h"

#include <string>
#include <vector>

namespace brellow::testsupport {

// Records what is asked of the desktop and answers as the test chooses.
class FakeDesktop final : public os::Desktop {
public:
    struct Opening {
        std::string address;
        std::uintptr_t owner = 0;
    };

    bool startSystemInformation() override {
        ++systemInformationStarts;
        if (systemInformationThrows) {
            throw std::runtime_error("the tool could not be looked for");
        }
        return systemInformationStarted;
    }
    std::optional<std::uint32_t> openWebAddress(const std::string& address,
                                                std::uintptr_t ownerWindow) override {
        openings.push_back(Opening{address, ownerWindow});
        return refusal;
    }
    void setLateFailureReport(LateFailure report) override { lateFailure = std::move(report); }
    std::string userDataFolder() override { return dataFolder; }
    std::string userConfigFolder() override { return configFolder; }

    std::string configFolder;
    bool systemInformationStarted = true;
    bool systemInformationThrows = false;
    int systemInformationStarts = 0;
    std::optional<std::uint32_t> refusal;
    std::vector<Opening> openings;
    // Where the user's files are looked for; the tests point it at a folder of their own.
    std::string dataFolder;
    // What a failure after an accepted request would be told to.
    LateFailure lateFailure;
};

} // namespace brellow::testsupport
