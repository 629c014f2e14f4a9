#include "FreeTdsVersion.h"

#include <charconv>
#include <fstream>
#include <iterator>

namespace brellow::odbc {
namespace {

// A driver library is a few megabytes; anything far larger is not one.
constexpr std::size_t kLargestLibrary = 64 * 1024 * 1024;

} // namespace

std::optional<FreeTdsVersion> FreeTdsVersion::find(std::string_view bytes) {
    constexpr std::string_view kMarker = "freetds v";
    for (std::size_t at = bytes.find(kMarker); at != std::string_view::npos;
         at = bytes.find(kMarker, at + 1)) {
        const char* p = bytes.data() + at + kMarker.size();
        const char* end = bytes.data() + bytes.size();
        FreeTdsVersion version;
        int* parts[] = {&version.major, &version.minor, &version.patch};
        bool whole = true;
        for (std::size_t i = 0; i < 3 && whole; ++i) {
            const auto [next, ec] = std::from_chars(p, end, *parts[i]);
            whole = ec == std::errc() && next != p && (i == 2 || (next != end && *next == '.'));
            p = next + (i < 2 ? 1 : 0);
        }
        if (whole) {
            return version;
        }
    }
    return std::nullopt;
}

std::optional<FreeTdsVersion> FreeTdsVersion::ofLibrary(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string bytes;
    bytes.reserve(4 * 1024 * 1024);
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > kLargestLibrary) {
            return std::nullopt;
        }
    }
    return find(bytes);
}

} // namespace brellow::odbc
