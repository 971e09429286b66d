// Parabolic interpolation in the solvers' tables (an open-water table at the
// operating J, pitch ratio against Bp, the blade-area charts).
#include "numeric/interpolate.hpp"

#include <algorithm>
#include <cmath>

#include "io/units.hpp"
#include "io/writer.hpp"

namespace helisolv {

namespace {

// The point lies outside the table: console only, the caller's y stands.
void reportOutsideTable(Session& io, float first, float x, float last) {
  writeFree(io, Unit::Console, {" **** INTERPOLANT ARALIGIN DISINDA ****"});
  write(io, Unit::Console, "(' X(1)=',F20.15,/,' X   =',F20.15,/,' X(N)=',F20.15)",
        {first, x, last});
  writeFree(io, Unit::Console, {" **** INTERPOLASYON BASARISIZ ****"});
}

}  // namespace

std::optional<float> interpolateTable(int count, const float* xs, const float* ys, float x,
                                      int capacity) {
  // A count beyond the caller's arrays is cut to their capacity, so that no
  // read leaves them.
  const int n = std::min(count, capacity);

  // The interval that holds x; at an interior abscissa the later of the two
  // intervals that meet there (the last that holds it, so the search runs
  // from the end). None for x outside the table or a NaN x.
  int k = 0;
  for (int i = n - 1; i >= 1; --i) {
    if (xs[i] <= x && x <= xs[i + 1]) {
      k = i;
      break;
    }
  }
  // The parabola needs three points; a shorter table cannot be read.
  if (n < 3 || k == 0) return std::nullopt;

  // A flat stretch of the table is returned as it stands, without fitting.
  if (std::fabs(ys[k] - ys[k + 1]) < 1e-5f) {
    return ys[k];
  }

  // Three consecutive points around the interval, the middle one (x0, y0)
  // kept inside the table at both ends.
  int mid = k;
  if (k == 1) mid = 2;
  if (k == n - 1) mid = n - 1;
  const float x0 = xs[mid];
  const float y0 = ys[mid];
  const float d1 = xs[mid - 1] - x0;
  const float d2 = xs[mid + 1] - x0;
  const float y1 = ys[mid - 1];
  const float y2 = ys[mid + 1];

  // Parabola y0 + b h + a h^2 through the three points. Coincident abscissas
  // make the divisors vanish; the guards then drop that coefficient rather
  // than divide by (almost) zero.
  const float den = d2 * d2 * d1 - d1 * d1 * d2;
  float b = 0.0f;
  if (!(std::fabs(den) < 1e-6f)) b = (d2 * d2 * (y1 - y0) - d1 * d1 * (y2 - y0)) / den;
  float a = 0.0f;
  if (!(d1 * d1 < 1e-6f)) a = ((y1 - y0) - d1 * b) / (d1 * d1);

  const float h = x - x0;
  return h * h * a + h * b + y0;
}

void interpolate(Session& io, int count, const float* xs, const float* ys, float x, float& y,
                 int capacity) {
  if (const auto value = interpolateTable(count, xs, ys, x, capacity)) {
    y = *value;
    return;
  }
  const int n = std::min(count, capacity);
  reportOutsideTable(io, xs[1], x, xs[std::max(n, 1)]);
}

}  // namespace helisolv
