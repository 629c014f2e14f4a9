#pragma once

#include "os/ProgramStarter.h"

namespace brellow::os {

// Finds files by their attributes and starts programs with CreateProcessA.
class Win32ProgramStarter final : public ProgramStarter {
public:
    std::string FindFile(const std::string& path) override;
    void Start(const std::string& path, int windowStyle) override;
};

} // namespace brellow::os
