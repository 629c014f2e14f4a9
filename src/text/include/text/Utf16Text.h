#pragma once

#include <string>
#include <string_view>

namespace brellow::text {

// Converts between the UTF-8 the component hands out and the UTF-16 of ODBC's wide calls.
// Ill-formed input becomes U+FFFD rather than being dropped or passed on.
class Utf16Text {
public:
    static std::u16string FromUtf8(std::string_view text);
    static std::string ToUtf8(std::u16string_view text);
};

} // namespace brellow::text
