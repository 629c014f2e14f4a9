#pragma once

#include <cstdio>
#include <string>

namespace brellow::windowstest {

// Counts named checks, prints the failures as they happen and a closing line.
class TestTally {
public:
    void check(const char* name, bool ok) {
        if (ok) {
            ++passed_;
            std::printf("PASS  %s\n", name);
        } else {
            ++failed_;
            std::printf("FAIL  %s\n", name);
        }
    }

    void equal(const char* name, const std::string& actual, const std::string& expected) {
        check(name, actual == expected);
        if (actual != expected) {
            std::printf("      got \"%s\" (%zu bytes), expected \"%s\" (%zu bytes)\n",
                        printable(actual).c_str(), actual.size(), printable(expected).c_str(),
                        expected.size());
        }
    }

    // Prints "N passed, M failed" and gives the exit code.
    int finish() const {
        std::printf("%d passed, %d failed\n", passed_, failed_);
        std::fflush(stdout);
        return failed_ == 0 ? 0 : 1;
    }

private:
    static std::string printable(const std::string& text) {
        std::string out;
        for (const char c : text) {
            if (c == '\0') {
                out += "\\0";
            } else {
                out += c;
            }
        }
        return out.size() > 60 ? out.substr(0, 60) + "..." : out;
    }

    int passed_ = 0;
    int failed_ = 0;
};

} // namespace brellow::windowstest
