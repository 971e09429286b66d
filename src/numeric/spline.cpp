// Not-a-knot cubic spline through a table and the false-position search on it
// that the pitch-for-requirement solvers use to find the pitch ratio at which
// the tabulated thrust, power or torque meets the requirement.
#include "numeric/spline.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

namespace helisolv {

namespace {

// C(r, i) of the coefficient table, stored column after column.
inline float& coef(float* c, int r, int i) {
  return c[(i - 1) * 4 + (r - 1)];
}

// Residuals this small count as zero: the target is met.
constexpr float rootTolerance = 1e-5f;
// False position converges slowly when one end stays fixed; the cap keeps a
// badly shaped table from searching for ever, and the last estimate stands.
constexpr int maxIterations = 100;

}  // namespace

void splineCoefficients(const float* tau, float* c, int count, int capacity) {
  const int n = std::min(count, capacity);
  // A spline needs two points at least.
  if (n < 2) return;

  // Interval lengths and first divided differences.
  for (int m = 2; m <= n; ++m) {
    coef(c, 3, m) = tau[m] - tau[m - 1];
    coef(c, 4, m) = (coef(c, 1, m) - coef(c, 1, m - 1)) / coef(c, 3, m);
  }

  // Left end: not-a-knot (with two points, the straight line).
  if (n == 2) {
    coef(c, 4, 1) = 1.0f;
    coef(c, 3, 1) = 1.0f;
    coef(c, 2, 1) = 2.0f * coef(c, 4, 2);
    coef(c, 2, 2) = coef(c, 4, 2);
  } else {
    coef(c, 4, 1) = coef(c, 3, 3);
    coef(c, 3, 1) = coef(c, 3, 2) + coef(c, 3, 3);
    coef(c, 2, 1) = ((coef(c, 3, 2) + 2.0f * coef(c, 3, 1)) * coef(c, 4, 2) * coef(c, 3, 3) +
                     coef(c, 3, 2) * coef(c, 3, 2) * coef(c, 4, 3)) /
                    coef(c, 3, 1);

    // Forward elimination of the tridiagonal system for the slopes.
    for (int m = 2; m <= n - 1; ++m) {
      const float g = -coef(c, 3, m + 1) / coef(c, 4, m - 1);
      coef(c, 2, m) = g * coef(c, 2, m - 1) + 3.0f * (coef(c, 3, m) * coef(c, 4, m + 1) +
                                                      coef(c, 3, m + 1) * coef(c, 4, m));
      coef(c, 4, m) = g * coef(c, 3, m - 1) + 2.0f * (coef(c, 3, m) + coef(c, 3, m + 1));
    }

    // Right end: not-a-knot (with three points, the parabola).
    float g = 0.0f;
    if (n == 3) {
      coef(c, 2, n) = 2.0f * coef(c, 4, n);
      coef(c, 4, n) = 1.0f;
      g = -1.0f / coef(c, 4, n - 1);
    } else {
      g = coef(c, 3, n - 1) + coef(c, 3, n);
      coef(c, 2, n) = ((coef(c, 3, n) + 2.0f * g) * coef(c, 4, n) * coef(c, 3, n - 1) +
                       coef(c, 3, n) * coef(c, 3, n) * (coef(c, 1, n - 1) - coef(c, 1, n - 2)) /
                           coef(c, 3, n - 1)) /
                      g;
      g = -g / coef(c, 4, n - 1);
      coef(c, 4, n) = coef(c, 3, n - 1);
    }
    coef(c, 4, n) = g * coef(c, 3, n - 1) + coef(c, 4, n);
    coef(c, 2, n) = (g * coef(c, 2, n - 1) + coef(c, 2, n)) / coef(c, 4, n);
  }

  // Back substitution: the slopes at every abscissa.
  for (int j = n - 1; j >= 1; --j) {
    coef(c, 2, j) = (coef(c, 2, j) - coef(c, 3, j) * coef(c, 2, j + 1)) / coef(c, 4, j);
  }

  // Second and third derivatives at the left end of each interval.
  for (int i = 2; i <= n; ++i) {
    const float dtau = coef(c, 3, i);
    const float d1 = (coef(c, 1, i) - coef(c, 1, i - 1)) / dtau;
    const float d3 = coef(c, 2, i - 1) + coef(c, 2, i) - 2.0f * d1;
    coef(c, 3, i - 1) = 2.0f * (d1 - coef(c, 2, i - 1) - d3) / dtau;
    coef(c, 4, i - 1) = (d3 / dtau) * (6.0f / dtau);
  }
}

bool locateInterval(const float* xs, float x, int count, int& index, int& found, int capacity) {
  const int n = std::min(count, capacity);
  // An empty table holds no point.
  if (n < 1 || x < xs[1] || x > xs[n]) {
    found = 0;
    return false;
  }
  // A point at either end, within rounding, belongs to the end interval.
  if (std::fabs(x - xs[1]) <= 1e-6f) {
    index = 1;
    found = 1;
  } else if (std::fabs(x - xs[n]) <= 1e-6f) {
    index = n - 1;
    found = 1;
  } else {
    for (int k = 1; k <= n - 1; ++k) {
      if (xs[k] <= x && x < xs[k + 1]) {
        index = k;
        found = 1;
        return true;
      }
    }
  }
  return true;
}

bool splineValue(int count, float x, float& value, const float* tau, const float* c, int& found,
                 int capacity) {
  // Interval 1 stands when the search finds none (a NaN x): the value is then
  // NaN too rather than read from an unset interval.
  int index = 1;
  const bool inside = locateInterval(tau, x, count, index, found, capacity);
  if (found == 0) return inside;
  const float* ci = c + (index - 1) * 4;
  const float h = x - tau[index];
  value = ((h * ci[3] / 3.0f + ci[2]) * h / 2.0f + ci[1]) * h + ci[0];
  return true;
}

RootSearch findRoot(int count, const float* xs, const float* ys, float target, float& root,
                    int capacity) {
  const int n = std::min(count, capacity);
  RootSearch search;
  if (n < 1) return search;
  // A single point is a root only where it meets the target.
  if (n == 1) {
    search.found = std::fabs(ys[1] - target) <= rootTolerance;
    if (search.found) root = xs[1];
    return search;
  }

  // The table shifted by the target; its spread (counted from zero) scales
  // the relative convergence test.
  std::vector<float> tau(static_cast<std::size_t>(n) + 1);
  std::vector<float> c(static_cast<std::size_t>(n) * 4);
  float fmin = 0.0f;
  float fmax = 0.0f;
  for (int i = 1; i <= n; ++i) {
    tau[static_cast<std::size_t>(i)] = xs[i];
    coef(c.data(), 1, i) = ys[i] - target;
    fmin = std::min(fmin, coef(c.data(), 1, i));
    fmax = std::max(fmax, coef(c.data(), 1, i));
  }
  const float range = fmax - fmin;
  splineCoefficients(tau.data(), c.data(), n, n);

  // The bracket is the whole table.
  int found = 0;
  float a = tau[1];
  float b = tau[static_cast<std::size_t>(n)];
  float fa = 0.0f;
  float fb = 0.0f;
  // The spline at a point; a point outside the table is counted.
  const auto at = [&](float x, float& value) {
    if (!splineValue(n, x, value, tau.data(), c.data(), found, n)) ++search.pointsOutside;
  };
  at(a, fa);
  at(b, fb);

  if (fa * fb > 0.0f) return search;
  search.found = true;
  if (fa * fb == 0.0f) {
    root = (std::fabs(fa) <= rootTolerance) ? a : b;
    return search;
  }

  // False position inside the bracket; each step keeps one end on either
  // side of the root, so the estimate stays within the table up to rounding
  // (an estimate rounded just past an end keeps the previous residual).
  float f = 0.0f;
  for (int iteration = 1; iteration <= maxIterations; ++iteration) {
    const float x = (fb * a - fa * b) / (fb - fa);
    root = x;
    at(x, f);
    if (std::fabs(f) < rootTolerance || std::fabs(f / range) < rootTolerance) return search;
    if (f * fa >= 0.0f) {
      a = x;
      fa = f;
    } else {
      b = x;
      fb = f;
    }
  }
  return search;
}

}  // namespace helisolv
