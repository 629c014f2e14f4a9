// Start-up of the real program against a plain Qt window with the same controls, built by the
// same build: the time from exec until the window is mapped, seen from outside by an X client,
// and the resident memory once the program has gone idle. Both run in turn under one Xvfb of
// the benchmark's own, round after round (which goes first alternates), and each round's
// ratio real/plain is summarised by its median and interquartile range. Prints figures;
// asserts nothing.
#include "ChildProcess.h"
#include "CountArgument.h"
#include "MapWatcher.h"
#include "Spread.h"
#include "VirtualDisplay.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

using namespace brellow::bench;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr const char* kName = "brellow-bench-startup";
constexpr int kDefaultRounds = 20;
constexpr int kMaximumRounds = 1000;

void printUsage(std::FILE* to) {
    std::fprintf(to,
                 "usage: brellow-bench-startup [--rounds N] [--program PATH] [--bare PATH]\n"
                 "\n"
                 "Starts the program and the plain Qt window in turn under an Xvfb of its own,\n"
                 "N rounds (default %d, at least 4), and prints the time from exec until the\n"
                 "window is mapped and the resident memory once idle (no processor time for\n"
                 "200 ms), each with the per-round ratio program/plain as median and\n"
                 "interquartile range. Asserts nothing.\n"
                 "\n"
                 "  --program PATH  the program measured (default: this build's brellow)\n"
                 "  --bare PATH     the yardstick (default: this build's\n"
                 "                  brellow-bench-bare-window)\n"
                 "  --help          this text\n",
                 kDefaultRounds);
}

struct Options {
    int rounds = kDefaultRounds;
    std::string program = BRELLOW_PROGRAM;
    std::string bare = BRELLOW_BARE_WINDOW;
};

// What one start of one program gave.
struct Sample {
    double mappedMs = 0;
    double residentKiB = 0;
    double anonymousKiB = 0;
};

Sample measureOnce(const std::string& program, const VirtualDisplay& display, MapWatcher& watcher) {
    const auto started = Clock::now();
    ChildProcess child(program, {},
                       {"DISPLAY=" + display.name(), "QT_QPA_PLATFORM=xcb",
                        // No screen reader bus to look for: neither side would find one.
                        "QT_ACCESSIBILITY=0", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=0"});
    const auto mapped = watcher.waitForWindowOf(child.pid(), started + 30s);
    if (!mapped) {
        throw std::runtime_error(program + ": no window was mapped within 30 s");
    }
    if (!child.waitUntilIdle(200ms, Clock::now() + 10s)) {
        throw std::runtime_error(program + ": did not go idle within 10 s of its window");
    }
    Sample sample;
    sample.mappedMs = std::chrono::duration<double, std::milli>(*mapped - started).count();
    sample.residentKiB = static_cast<double>(child.residentKiB());
    sample.anonymousKiB = static_cast<double>(child.anonymousResidentKiB());
    child.stop();
    return sample;
}

void printRow(const char* label, const Spread& spread, const char* format) {
    std::printf("  %-22s median ", label);
    std::printf(format, spread.median);
    std::printf("  IQR ");
    std::printf(format, spread.firstQuartile);
    std::printf(" .. ");
    std::printf(format, spread.thirdQuartile);
    std::printf("\n");
}

void printFigure(const char* title, const std::vector<Sample>& program,
                 const std::vector<Sample>& bare, double Sample::*field, const char* format) {
    std::vector<double> programValues;
    std::vector<double> bareValues;
    std::vector<double> ratios;
    for (std::size_t i = 0; i < program.size(); ++i) {
        programValues.push_back(program[i].*field);
        bareValues.push_back(bare[i].*field);
        ratios.push_back(program[i].*field / bare[i].*field);
    }
    std::printf("%s\n", title);
    printRow("program", Spread::of(programValues), format);
    printRow("plain Qt window", Spread::of(bareValues), format);
    printRow("ratio program/plain", Spread::of(ratios), "%.3f");
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
            printUsage(stdout);
            return 0;
        }
        if (std::strcmp(argument, "--rounds") == 0 && hasValue) {
            const auto rounds =
                CountArgument::read(kName, "--rounds", argv[++i], 4, kMaximumRounds);
            if (!rounds) {
                return 2;
            }
            options.rounds = *rounds;
        } else if (std::strcmp(argument, "--program") == 0 && hasValue) {
            options.program = argv[++i];
        } else if (std::strcmp(argument, "--bare") == 0 && hasValue) {
            options.bare = argv[++i];
        } else {
            std::fprintf(stderr, "%s: cannot use '%s'\n\n", kName, argument);
            printUsage(stderr);
            return 2;
        }
    }

    try {
        VirtualDisplay display;
        MapWatcher watcher(display.name());
        // One untimed start each first: the page cache, fontconfig's cache and the X server's
        // first clients all warm up here rather than in the first round.
        measureOnce(options.program, display, watcher);
        measureOnce(options.bare, display, watcher);

        std::vector<Sample> program;
        std::vector<Sample> bare;
        for (int round = 0; round < options.rounds; ++round) {
            // Which goes first alternates, so that neither always runs in the other's wake.
            if (round % 2 == 0) {
                program.push_back(measureOnce(options.program, display, watcher));
                bare.push_back(measureOnce(options.bare, display, watcher));
            } else {
                bare.push_back(measureOnce(options.bare, display, watcher));
                program.push_back(measureOnce(options.program, display, watcher));
            }
        }

        std::printf("start-up under Xvfb %s, %d interleaved rounds after one warm-up each\n"
                    "  program: %s\n  plain:   %s\n",
                    display.name().c_str(), options.rounds, options.program.c_str(),
                    options.bare.c_str());
        printFigure("exec to window mapped, ms (target: ratio <= 1.10)", program, bare,
                    &Sample::mappedMs, "%7.2f");
        printFigure("resident memory once idle, KiB", program, bare, &Sample::residentKiB, "%7.0f");
        printFigure("of it anonymous (heap, private), KiB", program, bare, &Sample::anonymousKiB,
                    "%7.0f");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", kName, error.what());
        return 1;
    }
    return 0;
}
