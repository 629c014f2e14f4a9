#pragma once

#include "os/ProgramStarter.h"

namespace brellow::os {

// Finds files with the standard library and starts programs as detached processes.
class PortableProgramStarter final : public ProgramStarter {
public:
    std::string FindFile(const std::string& path) override;
    // A path that names an executable file is started as it is, spaces and all. Any other
    // text is taken as a command line (see CommandLine) whose first word names the program,
    // as the portable registry writes the tools that need an argument.
    void Start(const std::string& path, int windowStyle) override;
};

} // namespace brellow::os
