#pragma once

#include <string>

namespace brellow::os {

// Finding and starting programs by path.
class ProgramStarter {
public:
    static constexpr int kNormalFocus = 1;

    virtual ~ProgramStarter() = default;
    // The file's name when `path` names an ordinary file (no folder, hidden or system
    // file), else an empty text.
    virtual std::string FindFile(const std::string& path) = 0;
    // Starts the program without waiting for it; raises std::runtime_error when it
    // cannot be started.
    virtual void Start(const std::string& path, int windowStyle) = 0;
};

} // namespace brellow::os
