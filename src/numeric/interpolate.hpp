// Three-point parabolic interpolation in a table with ascending abscissas.
#pragma once

#include <optional>

#include "io/session.hpp"

namespace helisolv {

// The value at x, or nothing outside [xs[1], xs[count]] (or with fewer than
// three points, or for a NaN x); prints nothing. Arrays are 1-based: element 0
// is unused. capacity sizes them.
std::optional<float> interpolateTable(int count, const float* xs, const float* ys, float x,
                                      int capacity);

// As interpolateTable, but writes the value at x to y; outside [xs[1], xs[count]] (or with fewer
// than three points) prints the out-of-range messages on the console and leaves y unchanged. Arrays
// are 1-based: element 0 is unused. capacity sizes them.
void interpolate(Session& io, int count, const float* xs, const float* ys, float x, float& y,
                 int capacity);

}  // namespace helisolv
