// Not-a-knot cubic spline through a table, and a false-position root search on it.
// Arrays are 1-based (element 0 unused); c is the coefficient table C(4, n)
// stored column after column: C(r, i) is c[(i - 1) * 4 + (r - 1)].
#pragma once

namespace helisolv {

// How a root search went: whether it found a root, and how many points it
// asked the spline for outside the table (each is a point the caller may
// report; the search goes on without it). Nothing is printed.
struct RootSearch {
  bool found = false;
  int pointsOutside = 0;
};

// x in [xs[1], xs[count]] where the spline through (xs, ys - target) is zero,
// written to root; with no sign change root stays unchanged and the search
// says it found none.
RootSearch findRoot(int count, const float* xs, const float* ys, float target, float& root,
                    int capacity);

void splineCoefficients(const float* tau, float* c, int count, int capacity);
// Both return false for a point outside [xs[1], xs[count]] (found is then 0
// and index and value unchanged), true otherwise.
bool locateInterval(const float* xs, float x, int count, int& index, int& found, int capacity);
bool splineValue(int count, float x, float& value, const float* tau, const float* c, int& found,
                 int capacity);

}  // namespace helisolv
