#pragma once

#include "trust/Pin.h"

#include <map>
#include <string>
#include <vector>

namespace brellow::trust {

// The certificates the user trusted: for this run in memory, and, for those the user asked to
// remember, in one plain file (one section per server) that the user may edit to forget one.
// Nothing is written unless the user asks; a damaged file is never read as trusting anything.
class PinStore {
public:
    // The pins remembered in `file`, which need not exist. A file that cannot be read or is
    // damaged gives none, and problem() says why.
    static PinStore open(std::string file);

    // The pin trusted for the server this run or remembered, if any.
    const Pin* find(const std::string& server) const;
    // Trusts the pin for the run, in place of any other for the server; where remember, also
    // writes the file. False, with error saying why, when the file could not be written (the
    // pin still holds for the run).
    bool trust(Pin pin, bool remember, std::string& error);

    // What is wrong with the file, as a sentence; empty when nothing is.
    const std::string& problem() const { return problem_; }

    static std::string format(const std::vector<Pin>& pins);
    // The pins in a file's text; none, with problem set, when the text is damaged.
    static std::vector<Pin> parse(const std::string& text, std::string& problem);

private:
    std::string file_;
    std::map<std::string, Pin> remembered_;
    std::map<std::string, Pin> thisRun_;
    std::string problem_;
};

} // namespace brellow::trust
