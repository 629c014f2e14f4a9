#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace brellow::os {

// What the program asks of the operating system, at the level of what it wants done. Each
// system does it in its own way: Windows as the program always has (the registry's record of
// the system information tool, the shell's "open"), Linux with the tools a Linux desktop has.
// The About box holds one, made by Create(); its tests hold a fake.
class Desktop {
public:
    // Receives, on the thread that made the request, the system's number for why an address it
    // had accepted could not be opened after all.
    using LateFailure = std::function<void(std::uint32_t error)>;

    // This system's desktop.
    static std::unique_ptr<Desktop> create();

    virtual ~Desktop() = default;

    // Starts the system information tool and returns without waiting for it; false when there
    // is none or it could not be started.
    virtual bool startSystemInformation() = 0;

    // Opens a web address with the user's handler for it, on behalf of the window ownerWindow
    // (its native handle). Nothing when the request was accepted; otherwise the system's
    // number for why it was refused: on Windows the last-error code, on Linux the number a
    // shell gives the same cause (127 for an opener that is not installed, 126 for one that
    // cannot be started, the opener's exit status, 128 and the signal for one a signal ended).
    virtual std::optional<std::uint32_t> openWebAddress(const std::string& address,
                                                        std::uintptr_t ownerWindow) = 0;

    // The folder where the user keeps files for this program, in UTF-8: "brellow" in the XDG
    // data home on Linux, "Brellow" in the local application-data folder on Windows. It need
    // not exist; the program reads what the user puts there and never writes to it.
    virtual std::string userDataFolder() = 0;
    // The folder where the user's settings for this program go, in UTF-8: "brellow" in the
    // XDG config home on Linux, "Brellow" in the roaming application-data folder on Windows.
    // It need not exist.
    virtual std::string userConfigFolder() = 0;

    // Where an accepted request can still fail (a Linux desktop's opener runs on after the
    // call has returned), the failure goes to `report`. Replaces the report given before.
    virtual void setLateFailureReport(LateFailure report) = 0;
};

} // namespace brellow::os
