#pragma once

#include <cstdint>
#include <string>

namespace brellow::platform {

// Opening documents and addresses through the desktop's shell, as ShellExecuteA does.
class Shell {
public:
    static constexpr int kShowNormal = 1;

    virtual ~Shell() = default;
    // Returns the shell's 32-bit result: 32 or more means the request was accepted.
    virtual std::int32_t Execute(std::uintptr_t ownerWindow, const std::string& verb,
                                 const std::string& file, const std::string& parameters,
                                 const std::string& directory, std::int32_t showCommand) = 0;
    // The last error code of the calling thread, read right after a failed Execute.
    virtual std::uint32_t LastError() = 0;
};

} // namespace brellow::platform
