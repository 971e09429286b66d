// The cavitation and loading criteria, in the order of evaluation the blade
// checks of the pitch-for-requirement runs have always printed with.
#include "helisolv/criteria.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

#include "criteria/burrill_chart.hpp"
#include "criteria/criteria_arrays.hpp"
#include "series/formulas.hpp"

namespace helisolv {

namespace {

constexpr float kGravity = 9.81f;            // m/s^2
constexpr float kAtmosphere = 100000.0f;     // Pa, in the cavitation number
constexpr float kKellerPressure = 98300.0f;  // Pa, in Keller's formula

struct ChartLine {
  int points;
  const float* sigma;
  const float* tau;
};

ChartLine chartLine(BurrillCurve line) {
  if (line == BurrillCurve::BackCavitation2_5)
    return {burrill::k25Points, burrill::k25Sigma, burrill::k25Tau};
  return {burrill::k50Points, burrill::k50Sigma, burrill::k50Tau};
}

// A charted line read by three-point parabolas, as the program's tables are
// read: in the interval that holds sigma (at a charted point the later of the
// two that meet there), a flat stretch as it stands, else the parabola
// y0 + b h + a h^2, h = sigma - x0, through the interval's points and the one
// beside them. The parabolas depend only on the chart, so each is fitted once.
struct ChartParabolas {
  float first = 0.0f;
  float last = 0.0f;
  // Per interval k (1-based): the sigma it starts at (past the line's last
  // interval, +infinity, which no sigma reaches) and its parabola.
  float start[burrill::kMaxPoints] = {};
  float x0[burrill::kMaxPoints] = {};
  float y0[burrill::kMaxPoints] = {};
  float a[burrill::kMaxPoints] = {};
  float b[burrill::kMaxPoints] = {};
};

ChartParabolas fitParabolas(const ChartLine& c) {
  ChartParabolas p;
  const int n = c.points;
  p.first = c.sigma[1];
  p.last = c.sigma[n];
  for (int k = 1; k < burrill::kMaxPoints; ++k)
    p.start[k] = k < n ? c.sigma[k] : std::numeric_limits<float>::infinity();
  for (int k = 1; k < n; ++k) {
    if (std::fabs(c.tau[k] - c.tau[k + 1]) < 1e-5f) {
      // A flat stretch: h h 0 + h 0 + tau[k] is tau[k] for every sigma of
      // the interval (h is at least 0 and finite there).
      p.x0[k] = c.sigma[k];
      p.y0[k] = c.tau[k];
      continue;
    }
    int mid = k;
    if (k == 1) mid = 2;
    if (k == n - 1) mid = n - 1;
    const float x0 = c.sigma[mid];
    const float y0 = c.tau[mid];
    const float d1 = c.sigma[mid - 1] - x0;
    const float d2 = c.sigma[mid + 1] - x0;
    const float y1 = c.tau[mid - 1];
    const float y2 = c.tau[mid + 1];
    // Coincident abscissas make the divisors vanish; the guards then drop
    // that coefficient rather than divide by (almost) zero.
    const float den = d2 * d2 * d1 - d1 * d1 * d2;
    float b = 0.0f;
    if (!(std::fabs(den) < 1e-6f)) b = (d2 * d2 * (y1 - y0) - d1 * d1 * (y2 - y0)) / den;
    float a = 0.0f;
    if (!(d1 * d1 < 1e-6f)) a = ((y1 - y0) - d1 * b) / (d1 * d1);
    p.x0[k] = x0;
    p.y0[k] = y0;
    p.a[k] = a;
    p.b[k] = b;
  }
  return p;
}

const ChartParabolas& parabolasOf(BurrillCurve line) {
  static const ChartParabolas line25 = fitParabolas(chartLine(BurrillCurve::BackCavitation2_5));
  static const ChartParabolas line5 = fitParabolas(chartLine(BurrillCurve::BackCavitation5));
  return line == BurrillCurve::BackCavitation2_5 ? line25 : line5;
}

// Whether sigma is on the charted line (a NaN is not).
inline bool onChart(const ChartParabolas& p, float sigma) {
  return sigma >= p.first && sigma <= p.last;
}

// tau_c of a charted line at a sigma on it. The interval is the last that
// starts at or below sigma, chosen by selection rather than a search, so
// that a loop over many points vectorises.
inline float chartTau(const ChartParabolas& p, float sigma) {
  float x0 = p.x0[1], y0 = p.y0[1], a = p.a[1], b = p.b[1];
#pragma GCC unroll 8
  for (int k = 2; k < burrill::kMaxPoints; ++k) {
    const bool later = p.start[k] <= sigma;
    x0 = later ? p.x0[k] : x0;
    y0 = later ? p.y0[k] : y0;
    a = later ? p.a[k] : a;
    b = later ? p.b[k] : b;
  }
  const float h = sigma - x0;
  return h * h * a + h * b + y0;
}

// The upper limit's cubic in sigma.
float upperLimitLoading(float sigma) {
  return 0.0331f + 0.382f * sigma - 0.1968f * intPow(sigma, 2) + 0.056f * intPow(sigma, 3);
}

float diskArea(float diameter) {
  return intPow(diameter, 2) * kPi / 4.0f;
}

// sigma 0.7R from the square of the section's inflow speed, which the minimum
// area ratio needs too.
float sigmaOf(float v2, float shaftDepth, float density) {
  return (density * shaftDepth * kGravity + kAtmosphere) / (density * v2 * 0.5f);
}

}  // namespace

float burrillFirstSigma(BurrillCurve line) {
  if (line == BurrillCurve::UpperLimit)
    return static_cast<float>(burrill::kUpperLimitFirst) / 100.0f;
  return chartLine(line).sigma[1];
}

float burrillLastSigma(BurrillCurve line) {
  if (line == BurrillCurve::UpperLimit)
    return static_cast<float>(burrill::kUpperLimitLast) / 100.0f;
  const ChartLine c = chartLine(line);
  return c.sigma[c.points];
}

float inflowSpeedSquared07R(float advanceSpeed, float rpm, float diameter) {
  const float speedKnots = knots(advanceSpeed);
  const float rotation = rpm * kPi / 60.0f * diameter * 0.7f;
  return intPow(rotation, 2) + intPow(speedKnots * kKnot, 2);
}

float sigma07R(float advanceSpeed, float rpm, float diameter, float shaftDepth, float density) {
  return sigmaOf(inflowSpeedSquared07R(advanceSpeed, rpm, diameter), shaftDepth, density);
}

float projectedToExpandedRatio(float pitchRatio) {
  return 1.067f - 0.229f * pitchRatio;
}

float tauC(float thrustKN, float advanceSpeed, float rpm, float diameter, float pitchRatio,
           float areaRatio, float density) {
  const float v2 = inflowSpeedSquared07R(advanceSpeed, rpm, diameter);
  const float projectedArea = diskArea(diameter) * projectedToExpandedRatio(pitchRatio) * areaRatio;
  return 1000.0f * thrustKN / (projectedArea * density * v2 * 0.5f);
}

BurrillReading burrillLoading(BurrillCurve line, float sigma) {
  if (line == BurrillCurve::UpperLimit) return {ChartPosition::On, upperLimitLoading(sigma)};
  const ChartParabolas& p = parabolasOf(line);
  if (!onChart(p, sigma))
    return {sigma > p.last ? ChartPosition::Above : ChartPosition::Below, 0.0f};
  return {ChartPosition::On, chartTau(p, sigma)};
}

namespace {

// The minimum area ratio from a reading of tau_c: the one formula for a point
// alone and for many.
inline BurrillReading minAreaRatioOf(BurrillReading tau, float v2, float thrustKN, float diameter,
                                     float pitchRatio, float density) {
  if (!tau.onChart()) return tau;
  return {ChartPosition::On, (1000.0f * thrustKN / (density * tau.value * v2 * 0.5f)) /
                                 (diskArea(diameter) * projectedToExpandedRatio(pitchRatio))};
}

// The minimum area ratio of count points of contiguous arguments: the
// arithmetic of burrillMinAreaRatio, each point's tau_c read whether or not it
// is on the chart and the value of a point off it then set to 0, so that the
// loop has no branch and vectorises.
template <bool UpperLimit>
void minAreaRatioRun(const ChartParabolas* chart, const float* __restrict thrust,
                     const float* __restrict speed, const float* __restrict rpm,
                     const float* __restrict diameter, const float* __restrict pitch,
                     const float* __restrict depth, const float* __restrict density,
                     std::size_t count, float* __restrict value, bool* __restrict offChart) {
  for (std::size_t i = 0; i < count; ++i) {
    const float v2 = inflowSpeedSquared07R(speed[i], rpm[i], diameter[i]);
    const float sigma = sigmaOf(v2, depth[i], density[i]);
    const bool on = UpperLimit || onChart(*chart, sigma);
    const float tau = UpperLimit ? upperLimitLoading(sigma) : chartTau(*chart, sigma);
    const float area =
        minAreaRatioOf({ChartPosition::On, tau}, v2, thrust[i], diameter[i], pitch[i], density[i])
            .value;
    value[i] = on ? area : 0.0f;
    offChart[i] = !on;
  }
}

template <bool UpperLimit>
void minAreaRatios(const ChartParabolas* chart, const BurrillArguments& args, std::size_t count,
                   float* value, bool* offChart) {
  // Stretches of points with every argument contiguous: one given as a
  // contiguous array is read in place, any other copied out (a number
  // repeated) into a buffer that stays in cache.
  constexpr std::size_t kStretch = 512;
  float buffers[7][kStretch];
  for (std::size_t at = 0; at < count; at += kStretch) {
    const std::size_t n = std::min(kStretch, count - at);
    const float* in[7];
    for (std::size_t a = 0; a < 7; ++a) {
      const StridedFloats& arg = args[a];
      if (arg.stride == 1) {
        in[a] = arg.data + at;
        continue;
      }
      for (std::size_t i = 0; i < n; ++i) buffers[a][i] = arg.data[(at + i) * arg.stride];
      in[a] = buffers[a];
    }
    minAreaRatioRun<UpperLimit>(chart, in[0], in[1], in[2], in[3], in[4], in[5], in[6], n,
                                value + at, offChart + at);
  }
}

}  // namespace

BurrillReading burrillMinAreaRatio(BurrillCurve line, float thrustKN, float advanceSpeed, float rpm,
                                   float diameter, float pitchRatio, float shaftDepth,
                                   float density) {
  const float v2 = inflowSpeedSquared07R(advanceSpeed, rpm, diameter);
  return minAreaRatioOf(burrillLoading(line, sigmaOf(v2, shaftDepth, density)), v2, thrustKN,
                        diameter, pitchRatio, density);
}

void burrillMinAreaRatios(BurrillCurve line, const BurrillArguments& args, std::size_t count,
                          float* value, bool* offChart) {
  if (line == BurrillCurve::UpperLimit)
    minAreaRatios<true>(nullptr, args, count, value, offChart);
  else
    minAreaRatios<false>(&parabolasOf(line), args, count, value, offChart);
}

float kellerMinAreaRatio(float thrustKN, float diameter, float shaftDepth, float blades,
                         float density, float k) {
  const float minimum = (1.3f + 0.3f * blades) * thrustKN * 1000.0f /
                        ((density * shaftDepth * kGravity + kKellerPressure) * diameter * diameter);
  // Adding no allowance leaves the bits of the minimum alone (a -0 stays -0).
  return k == 0.0f ? minimum : minimum + k;
}

float bladeTipSpeed(float rpm, float diameter) {
  return rpm * kPi / 60.0f * diameter;
}

}  // namespace helisolv
