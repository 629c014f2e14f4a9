#pragma once

#include "platform/ProgramStarter.h"

namespace brellow::platform {

// Finds files with the standard library and starts programs as detached processes.
class PortableProgramStarter final : public ProgramStarter {
public:
    std::string FindFile(const std::string& path) override;
    void Start(const std::string& path, int windowStyle) override;
};

} // namespace brellow::platform
