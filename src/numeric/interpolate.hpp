// Three-point parabolic interpolation in a table with ascending abscissas.
#pragma once

#include "io/session.hpp"

namespace helisolv {

// Writes the value at x to y; outside [xs[1], xs[count]] (or with fewer than
// three points) prints the out-of-range messages on the console and leaves y
// unchanged. Arrays are 1-based: element 0 is unused. capacity sizes them.
void interpolate(Session& io, int count, const float* xs, const float* ys, float x, float& y,
                 int capacity);

}  // namespace helisolv
