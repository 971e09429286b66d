// The propeller formulas every solver shares, with their exact 32-bit constants
// and their order of evaluation, so that no solver retypes a constant.
#pragma once

#include <climits>
#include <cmath>

namespace helisolv {

// pi as the tip speed, the blade-area checks and the viscous corrections take
// it (the efficiency and the delivered power write 2 pi their own ways, below).
inline constexpr float kPi = 3.1415927f;

// Kinematic viscosity of sea water (m^2/s) of both viscous corrections and of
// the Reynolds number of the B-series' Reynolds-number correction.
inline constexpr float kKinematicViscosity = 1.13902e-6f;

// x^k for a whole k >= 0 by repeated multiplication from the left; x^0 = 1.
inline float intPow(float x, int k) {
  if (k <= 0) return 1.0f;
  float r = x;
  for (int i = 1; i < k; ++i) r = r * x;
  return r;
}

// x^y for a real exponent. Formed in double precision and rounded once, so the
// result is the 32-bit value nearest the true power; the library's 32-bit pow
// may miss it by one unit in the last place, which moves a crossing J and
// shows in a printed delta.
inline float realPow(float x, float y) {
  return static_cast<float>(std::pow(static_cast<double>(x), static_cast<double>(y)));
}

// The blade count a Gawn series propeller is evaluated with: the series was
// tested with three blades only, so any count not within 0.01 of 3 becomes 3.
inline float gawnBladeCount(float bladeCount) {
  return std::fabs(bladeCount - 3.0f) > 0.01f ? 3.0f : bladeCount;
}

// The decimal logarithm and the arc tangent of a 32-bit real, formed in double
// precision and rounded once like realPow: the library's 32-bit log10 misses the
// nearest value by one unit in the last place for a few arguments in every
// hundred, which shows in a corrected Bp.
inline float realLog10(float x) {
  return static_cast<float>(std::log10(static_cast<double>(x)));
}
inline float realAtan(float x) {
  return static_cast<float>(std::atan(static_cast<double>(x)));
}

// Revolutions per second from revolutions per minute, and back.
inline float revsPerSecond(float rpm) {
  return rpm / 60.0f;
}
inline float revsPerMinute(float n) {
  return 60.0f * n;
}

// Advance coefficient J = Va / (n D) and its inverse forms.
inline float advanceCoefficient(float va, float n, float d) {
  return va / (n * d);
}
inline float revsFromAdvance(float va, float j, float d) {
  return va / (j * d);
}
inline float diameterFromAdvance(float va, float j, float n) {
  return va / (j * n);
}

// Open-water efficiency with 2 pi as 6.2831855.
inline float openWaterEfficiency(float kt, float kq, float j) {
  return (kt / kq) * j / 6.2831855f;
}

// Delivered power Pd = Q n 2 pi / 1000 in kW, with 2 pi as 6.28318.
inline float deliveredPowerKW(float torque, float n) {
  return torque * n * 6.28318f / 1000.0f;
}

// Power coefficient Bp = 33.06746 (Kq / J^5)^0.5 (real powers).
inline float powerCoefficientBp(float kq, float j) {
  return 33.06746f * realPow(kq / realPow(j, 5.0f), 0.5f);
}

// Advance coefficient delta = 101.2658 / J for the tables.
inline float deltaFromAdvance(float j) {
  return 101.2658f / j;
}

// J from a given delta, 101.2685 / delta: the Bp-delta design's input only.
inline float advanceFromDelta(float delta) {
  return 101.2685f / delta;
}

// Kq from a given Bp and J: (Bp / 33.06746)^2 J^5.
inline float kqFromBp(float bp, float j) {
  return intPow(bp / 33.06746f, 2) * intPow(j, 5);
}

// Tip speed pi D n.
inline float tipSpeed(float d, float n) {
  return d * n * kPi;
}

// The knot in m/s, as the program has always converted it (the international
// knot is 0.514444 m/s).
inline constexpr float kKnot = 0.5144f;

// Speed in knots.
inline float knots(float va) {
  return va / kKnot;
}

// A real truncated toward zero to a 32-bit integer (a blade count printed with
// I2, the 1000-fold efficiency of findMaxIndex, a sweep's pass count). A value
// beyond the integer range saturates and a NaN gives the lowest integer, so a
// point far outside the series never makes the conversion undefined.
inline int truncToInt(double x) {
  if (std::isnan(x)) return INT_MIN;
  if (x >= 2147483647.0) return INT_MAX;
  if (x <= -2147483648.0) return INT_MIN;
  return static_cast<int>(x);
}
inline int truncToInt(float x) {
  return truncToInt(static_cast<double>(x));
}

// Pass count of a real sweep from first to last in steps of step: the
// truncation of (last - first + step) / step, formed in double precision from
// the 32-bit values (J from 0.05 to 1.5 by 0.025 gives 58, not 59). An empty
// or undefined range gives no pass, and the count never exceeds the table
// capacity the caller fills.
inline int sweepPassCount(float first, float last, float step, int capacity = INT_MAX) {
  const int passes = truncToInt(
      (static_cast<double>(last) - static_cast<double>(first) + static_cast<double>(step)) /
      static_cast<double>(step));
  return passes < 0 ? 0 : (passes > capacity ? capacity : passes);
}

}  // namespace helisolv
