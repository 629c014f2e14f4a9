#pragma once

#include <vector>

namespace brellow::bench {

// Where the middle half of a set of figures lies: the median and the first and third
// quartiles (linear interpolation between the sorted values), so that a reader can tell a
// shift from the noise around it.
struct Spread {
    double median = 0;
    double firstQuartile = 0;
    double thirdQuartile = 0;

    double interquartileRange() const { return thirdQuartile - firstQuartile; }

    // The spread of values; all zero when there are none.
    static Spread of(std::vector<double> values);
};

} // namespace brellow::bench
