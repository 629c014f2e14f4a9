#pragma once

#include <string_view>

namespace brellow::text {

// Whether two texts are equal when ASCII letters are compared without regard to case, as
// keywords, programmatic identifiers, driver and instance names are. Other bytes compare
// exactly, so UTF-8 text is never folded halfway.
bool equalsIgnoringCase(std::string_view a, std::string_view b);

} // namespace brellow::text
