#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace brellow::odbc {

// Which FreeTDS a driver library is, known before any connection (SQL_DRIVER_VER needs one):
// the library carries its version as "freetds vMAJOR.MINOR.PATCH", the text that answer is
// made from.
class FreeTdsVersion {
public:
    int major = 0;
    int minor = 0;
    int patch = 0;

    // The version in the library at `path`; nothing where it cannot be read or carries none.
    static std::optional<FreeTdsVersion> ofLibrary(const std::string& path);
    // The version named in a library's bytes.
    static std::optional<FreeTdsVersion> find(std::string_view bytes);

    // TDS 8.0 ("encryption = strict") came with FreeTDS 1.5.
    bool speaksTds8() const { return major > 1 || (major == 1 && minor >= 5); }
};

} // namespace brellow::odbc
