// Not-a-knot cubic spline through a table, and a false-position root search on it.
// Arrays are 1-based (element 0 unused); c is the coefficient table C(4, n)
// stored column after column: C(r, i) is c[(i - 1) * 4 + (r - 1)].
#pragma once

#include "io/session.hpp"

namespace helisolv {

// x in [xs[1], xs[count]] where the spline through (xs, ys - target) is zero,
// written to root; with no sign change prints "no root" on the console and
// leaves root unchanged.
void findRoot(Session& io, int count, const float* xs, const float* ys, float target, float& root,
              int capacity);

void splineCoefficients(const float* tau, float* c, int count, int capacity);
void locateInterval(Session& io, const float* xs, float x, int count, int& index, int& found,
                    int capacity);
void splineValue(Session& io, int count, float x, float& value, const float* tau, const float* c,
                 int& found, int capacity);

}  // namespace helisolv
