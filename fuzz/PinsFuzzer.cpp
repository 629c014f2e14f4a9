// libFuzzer target: the trusted-servers file is the user's to edit, so its reading must never
// crash, and whatever it accepts must read back the same once written again.
#include "trust/PinStore.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

using brellow::trust::PinStore;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string problem;
    const auto pins = PinStore::parse(text, problem);
    if (!problem.empty()) {
        if (!pins.empty()) {
            std::abort(); // a damaged file trusts nothing
        }
        return 0;
    }
    std::string again;
    const auto reread = PinStore::parse(PinStore::format(pins), again);
    if (!again.empty() || reread.size() != pins.size()) {
        std::abort();
    }
    for (std::size_t i = 0; i < pins.size(); ++i) {
        if (reread[i].server != pins[i].server || reread[i].sha256 != pins[i].sha256 ||
            reread[i].speaksStrict != pins[i].speaksStrict) {
            std::abort();
        }
    }
    return 0;
}
