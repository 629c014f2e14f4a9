#pragma once

#include "os/ProgramStarter.h"

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace brellow::testsupport {

// Files that "exist" are listed by the test; starting a program is recorded and fails for
// a path that is not among them.
class FakeProgramStarter final : public os::ProgramStarter {
public:
    struct Started {
        std::string path;
        int windowStyle = 0;
    };

    std::string FindFile(const std::string& path) override {
        findCalls.push_back(path);
        if (files.count(path) == 0) {
            return {};
        }
        const auto slash = path.find_last_of("\\/");
        return slash == std::string::npos ? path : path.substr(slash + 1);
    }

    void Start(const std::string& path, int windowStyle) override {
        startAttempts.push_back(Started{path, windowStyle});
        if (files.count(path) == 0) {
            throw std::runtime_error("File not found: " + path);
        }
        started.push_back(Started{path, windowStyle});
    }

    std::set<std::string> files;
    std::vector<std::string> findCalls;
    std::vector<Started> startAttempts;
    std::vector<Started> started;
};

} // namespace brellow::testsupport
