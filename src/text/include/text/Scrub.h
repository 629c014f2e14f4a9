#pragma once

#include <string>

namespace brellow::text {

// Overwrites a text that held a password with zeros before it is freed or reused, so that the
// password is not left lying in memory that is handed out again. The writes are volatile: a
// compiler may not leave them out because the text is about to go.
void scrub(std::string& text) noexcept;
void scrub(std::u16string& text) noexcept;

} // namespace brellow::text
