#include "text/Scrub.h"

namespace brellow::text {
namespace {

template <class Char> void zero(std::basic_string<Char>& text) noexcept {
    volatile Char* characters = text.data();
    for (std::size_t i = 0; i < text.size(); ++i) {
        characters[i] = Char{};
    }
}

} // namespace

void scrub(std::string& text) noexcept {
    zero(text);
}

void scrub(std::u16string& text) noexcept {
    zero(text);
}

} // namespace brellow::text
