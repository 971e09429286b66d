// The cavitation and loading criteria, in the order of evaluation the blade
// checks of the pitch-for-requirement runs have always printed with.
#include "helisolv/criteria.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <type_traits>

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
// Its numbers are floats, or (ChartOf<Lanes> below) each repeated in the
// lanes of a vector, for many points read side by side.
template <class T>
struct ChartOf {
  T first{};
  T last{};
  // Per interval k (1-based): the sigma it starts at (past the line's last
  // interval, +infinity, which no sigma reaches) and its parabola.
  T start[burrill::kMaxPoints] = {};
  T x0[burrill::kMaxPoints] = {};
  T y0[burrill::kMaxPoints] = {};
  T a[burrill::kMaxPoints] = {};
  T b[burrill::kMaxPoints] = {};
};
using ChartParabolas = ChartOf<float>;

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

// Many points at a time go through the same formulas with T a vector of four
// floats (SSE2, in every x86-64), one point a lane: each lane rounds as a
// float alone does (no contraction, no fast-math), so every point has the bits
// of the point alone.
typedef float Lanes __attribute__((vector_size(16)));

// A number as a T: itself, or in every lane.
template <class T>
inline T splat(float x) {
  if constexpr (std::is_same_v<T, float>)
    return x;
  else
    return Lanes{x, x, x, x};
}

// The chart with each number in every lane.
ChartOf<Lanes> widened(const ChartParabolas& p) {
  ChartOf<Lanes> w;
  w.first = splat<Lanes>(p.first);
  w.last = splat<Lanes>(p.last);
  for (int k = 0; k < burrill::kMaxPoints; ++k) {
    w.start[k] = splat<Lanes>(p.start[k]);
    w.x0[k] = splat<Lanes>(p.x0[k]);
    w.y0[k] = splat<Lanes>(p.y0[k]);
    w.a[k] = splat<Lanes>(p.a[k]);
    w.b[k] = splat<Lanes>(p.b[k]);
  }
  return w;
}

// x^K by repeated multiplication from the left, as intPow.
template <int K, class T>
inline T power(T x) {
  T r = x;
  for (int i = 1; i < K; ++i) r = r * x;
  return r;
}

// Whether sigma is on the charted line (a NaN is not).
template <class T>
inline auto onChart(const ChartOf<T>& p, T sigma) {
  // Both comparisons made (&, not &&), so that a loop over points has no branch.
  return (sigma >= p.first) & (sigma <= p.last);
}

// tau_c of a charted line at a sigma on it. The interval is the last that
// starts at or below sigma, chosen by selection rather than a search, so
// that many points are read side by side.
template <class T>
inline T chartTau(const ChartOf<T>& p, T sigma) {
  T x0 = p.x0[1], y0 = p.y0[1], a = p.a[1], b = p.b[1];
#pragma GCC unroll 8
  for (int k = 2; k < burrill::kMaxPoints; ++k) {
    const auto later = p.start[k] <= sigma;
    x0 = later ? p.x0[k] : x0;
    y0 = later ? p.y0[k] : y0;
    a = later ? p.a[k] : a;
    b = later ? p.b[k] : b;
  }
  const T h = sigma - x0;
  return h * h * a + h * b + y0;
}

// The upper limit's cubic in sigma.
template <class T>
inline T upperLimitLoading(T sigma) {
  return 0.0331f + 0.382f * sigma - 0.1968f * power<2>(sigma) + 0.056f * power<3>(sigma);
}

template <class T>
inline T diskArea(T diameter) {
  return power<2>(diameter) * kPi / 4.0f;
}

// sigma 0.7R from the square of the section's inflow speed, which the minimum
// area ratio needs too.
template <class T>
inline T sigmaOf(T v2, T shaftDepth, T density) {
  return (density * shaftDepth * kGravity + kAtmosphere) / (density * v2 * 0.5f);
}

template <class T>
inline T inflowSquared(T advanceSpeed, T rpm, T diameter) {
  const T speedKnots = advanceSpeed / kKnot;  // as knots()
  const T rotation = rpm * kPi / 60.0f * diameter * 0.7f;
  return power<2>(rotation) + power<2>(speedKnots * kKnot);
}

template <class T>
inline T projectedRatio(T pitchRatio) {
  return 1.067f - 0.229f * pitchRatio;
}

// The minimum area ratio at a tau_c read off the chart: the one formula for a
// point alone and for many.
template <class T>
inline T minAreaRatioAt(T tau, T v2, T thrustKN, T diameter, T pitchRatio, T density) {
  return (1000.0f * thrustKN / (density * tau * v2 * 0.5f)) /
         (diskArea(diameter) * projectedRatio(pitchRatio));
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
  return inflowSquared(advanceSpeed, rpm, diameter);
}

float sigma07R(float advanceSpeed, float rpm, float diameter, float shaftDepth, float density) {
  return sigmaOf(inflowSpeedSquared07R(advanceSpeed, rpm, diameter), shaftDepth, density);
}

float projectedToExpandedRatio(float pitchRatio) {
  return projectedRatio(pitchRatio);
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
  if (!onChart(p, sigma)) [[unlikely]]
    return {sigma > p.last ? ChartPosition::Above : ChartPosition::Below, 0.0f};
  return {ChartPosition::On, chartTau(p, sigma)};
}

namespace {

// One argument of a point or of a lane block: read in place, repeated, or
// gathered.
template <class T>
inline T argumentAt(const StridedFloats& arg, std::size_t i) {
  if constexpr (std::is_same_v<T, float>) {
    return arg.data[i * arg.stride];
  } else {
    constexpr std::size_t width = sizeof(T) / sizeof(float);
    T v;
    if (arg.stride == 1) {
      std::memcpy(&v, arg.data + i, sizeof v);
    } else if (arg.stride == 0) {
      v = splat<T>(arg.data[0]);
    } else {
      for (std::size_t l = 0; l < width; ++l) v[l] = arg.data[(i + l) * arg.stride];
    }
    return v;
  }
}

// The minimum area ratio of the point or lane block at i: each tau_c read
// whether or not its sigma is on the chart, the value of one off it then 0,
// so that lanes need no branch.
template <bool UpperLimit, class T>
inline void readMinAreaRatio(const ChartOf<T>& chart, const BurrillArguments& args, std::size_t i,
                             float* value, bool* offChart) {
  const T diameter = argumentAt<T>(args[3], i);
  const T density = argumentAt<T>(args[6], i);
  const T v2 = inflowSquared(argumentAt<T>(args[1], i), argumentAt<T>(args[2], i), diameter);
  const T sigma = sigmaOf(v2, argumentAt<T>(args[5], i), density);
  T tau;
  if constexpr (UpperLimit)
    tau = upperLimitLoading(sigma);
  else
    tau = chartTau(chart, sigma);
  const T area = minAreaRatioAt(tau, v2, argumentAt<T>(args[0], i), diameter,
                                argumentAt<T>(args[4], i), density);
  if constexpr (UpperLimit) {
    std::memcpy(value + i, &area, sizeof area);
    for (std::size_t l = 0; l < sizeof(T) / sizeof(float); ++l) offChart[i + l] = false;
  } else {
    const auto on = onChart(chart, sigma);
    const T shown = on ? area : splat<T>(0.0f);
    std::memcpy(value + i, &shown, sizeof shown);
    if constexpr (std::is_same_v<T, float>) {
      offChart[i] = !on;
    } else {
      for (std::size_t l = 0; l < sizeof(T) / sizeof(float); ++l) offChart[i + l] = on[l] == 0;
    }
  }
}

template <bool UpperLimit>
void minAreaRatios(const ChartParabolas* chart, const BurrillArguments& args, std::size_t count,
                   float* value, bool* offChart) {
  constexpr std::size_t width = sizeof(Lanes) / sizeof(float);
  // Copies of the chart that the stores to value cannot be taken to change,
  // so that its numbers stay in registers across the points.
  const ChartParabolas one = chart ? *chart : ChartParabolas{};
  const ChartOf<Lanes> lanes = widened(one);
  std::size_t i = 0;
  for (; i + width <= count; i += width)
    readMinAreaRatio<UpperLimit, Lanes>(lanes, args, i, value, offChart);
  for (; i < count; ++i) readMinAreaRatio<UpperLimit, float>(one, args, i, value, offChart);
}

}  // namespace

BurrillReading burrillMinAreaRatio(BurrillCurve line, float thrustKN, float advanceSpeed, float rpm,
                                   float diameter, float pitchRatio, float shaftDepth,
                                   float density) {
  const float v2 = inflowSpeedSquared07R(advanceSpeed, rpm, diameter);
  const BurrillReading tau = burrillLoading(line, sigmaOf(v2, shaftDepth, density));
  if (!tau.onChart()) return tau;
  return {ChartPosition::On,
          minAreaRatioAt(tau.value, v2, thrustKN, diameter, pitchRatio, density)};
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
