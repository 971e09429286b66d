// The cavitation and loading criteria, in the order of evaluation the blade
// checks of the pitch-for-requirement runs have always printed with.
#include "helisolv/criteria.hpp"

#include "criteria/burrill_chart.hpp"
#include "numeric/interpolate.hpp"
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
  const ChartLine c = chartLine(line);
  if (const auto tau = interpolateTable(c.points, c.sigma, c.tau, sigma, c.points))
    return {ChartPosition::On, *tau};
  return {sigma > c.sigma[c.points] ? ChartPosition::Above : ChartPosition::Below, 0.0f};
}

BurrillReading burrillMinAreaRatio(BurrillCurve line, float thrustKN, float advanceSpeed, float rpm,
                                   float diameter, float pitchRatio, float shaftDepth,
                                   float density) {
  const float v2 = inflowSpeedSquared07R(advanceSpeed, rpm, diameter);
  const BurrillReading tau = burrillLoading(line, sigmaOf(v2, shaftDepth, density));
  if (!tau.onChart()) return tau;
  return {ChartPosition::On, (1000.0f * thrustKN / (density * tau.value * v2 * 0.5f)) /
                                 (diskArea(diameter) * projectedToExpandedRatio(pitchRatio))};
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
