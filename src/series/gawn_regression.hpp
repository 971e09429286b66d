// The published regression of the Gawn-Burrill three-bladed propellers with
// segmental sections: Kt and Kq from J, P/D and the developed area ratio AD/A0.
// Pure 32-bit functions: nothing is read from or written to the record.
//
// Every term C J^z (P/D)^y (AD/A0)^x is formed from the left as
// ((C J^z) (P/D)^y) (AD/A0)^x, each power by repeated multiplication, and the
// terms are added in table order; the curve evaluator repeats exactly that in
// every lane, so both give the same bits.
#pragma once

#include <span>

#include "series/open_water_curve.hpp"

namespace helisolv {

// The ranges the regression was fitted over (three blades); outside them it
// extrapolates, and a caller may warn. J runs from about 0.3 up to the
// zero-thrust point.
inline constexpr float kGawnRegressionMinAreaRatio = 0.5f;
inline constexpr float kGawnRegressionMaxAreaRatio = 1.1f;
inline constexpr float kGawnRegressionMinPitchRatio = 0.8f;
inline constexpr float kGawnRegressionMaxPitchRatio = 1.8f;
inline constexpr float kGawnRegressionMinAdvance = 0.3f;

// Kt and Kq at advance coefficient j of a propeller with these ratios.
void gawnRegression(float j, float pitchRatio, float areaRatio, float& kt, float& kq);

// Kt and Kq at each J of one propeller, the same bits as gawnRegression, with
// the J evaluated side by side in vector lanes. Points beyond the shortest of
// the three spans are not evaluated.
void gawnRegressionCurve(float pitchRatio, float areaRatio, std::span<const float> j,
                         std::span<float> kt, std::span<float> kq, CurveIsa isa = CurveIsa::Best);

}  // namespace helisolv
