#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brellow::os {

// A program and its arguments written as one text, as a desktop writes a command: words are
// separated by blanks, and double quotes keep blanks inside a word ("My Tools/info"), with \"
// and \\ standing for a quote and a backslash within them.
class CommandLine {
public:
    // The words of `text`; nothing for a text of blanks, or when a quote is left open.
    static std::vector<std::string> Split(std::string_view text);
};

} // namespace brellow::os
