// The solvers' searches in their tables, with the console messages of a
// search that fails: the numeric routines say how a search went, these
// print it where the program always has.
#pragma once

#include "io/session.hpp"

namespace helisolv {

// Writes the value at x to y; outside [xs[1], xs[count]] (or with fewer than
// three points) prints the out-of-range messages on the console and leaves y
// unchanged. Arrays are 1-based: element 0 is unused. capacity sizes them.
void interpolate(Session& io, int count, const float* xs, const float* ys, float x, float& y,
                 int capacity);

// x in [xs[1], xs[count]] where the spline through (xs, ys - target) is zero,
// written to root; a point the search took outside the table, and a search
// without a sign change (root unchanged), are each said on the console.
void findRoot(Session& io, int count, const float* xs, const float* ys, float target, float& root,
              int capacity);

}  // namespace helisolv
