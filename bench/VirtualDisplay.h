#pragma once

#include "ChildProcess.h"

#include <memory>
#include <string>

namespace brellow::bench {

// An Xvfb server of the benchmark's own, on a display number it chooses itself, so that no
// other run's windows (or a clash over the number) disturb the measurement.
class VirtualDisplay {
public:
    // Starts Xvfb and waits (at most 20 s) for it to say which display it took. Throws
    // std::runtime_error when it does not.
    VirtualDisplay();

    // ":N", for DISPLAY.
    const std::string& name() const { return name_; }

private:
    std::unique_ptr<ChildProcess> server_;
    std::string name_;
};

} // namespace brellow::bench
