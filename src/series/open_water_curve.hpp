// Open-water coefficients along a curve of J for one propeller: the same
// values evaluateOpenWater gives point by point, bit for bit, with the J points
// evaluated side by side in vector lanes.
#pragma once

#include <array>
#include <cstddef>
#include <span>

#include "helisolv/open_water.hpp"
#include "series/series_tables.hpp"

namespace helisolv {

// The instruction sets a curve can be evaluated with. Every one gives the
// same bits; the widest the processor has is the default.
enum class CurveIsa {
  Best,      // the widest available below
  Baseline,  // x86-64 (SSE2)
  Avx2,
  Avx512,  // AVX-512F
};

bool curveIsaAvailable(CurveIsa isa);

class OpenWaterCurve {
 public:
  // One propeller of the series, corrected for scale where the correction
  // applies (the Wageningen series only). The Gawn series evaluates with its
  // blade count rule, which bladeCount() gives back, by the model's Gawn model.
  OpenWaterCurve(const SeriesModel& model, const Propeller& propeller,
                 const ScaleCorrection& correction = {}, CurveIsa isa = CurveIsa::Best);

  // The blade count the series evaluates this propeller with.
  float bladeCount() const { return bladeCount_; }

  // Kt, Kq and eta0 at each J of advance, and the J they were evaluated at
  // (|J| below 0.001 becomes 0.001) in evaluatedAdvance. All spans have the
  // length of advance. A series type without polynomials is not evaluated:
  // as evaluateOpenWater, every point keeps J as given and Kt, Kq and eta0 of zero.
  // Returns the notes of evaluateOpenWater over all the points.
  ModelRangeNotes evaluate(std::span<const float> advance, std::span<float> evaluatedAdvance,
                           std::span<float> kt, std::span<float> kq, std::span<float> eta0) const;

  // Every curve over the same J: row rows[p] (row p where rows is empty) of
  // kt, kq and eta0, each row advance.size() values, is what curves[p].evaluate
  // gives, bit for bit. The products of the coefficients with the powers of J
  // are formed once for all the curves that use them, and curves next to each
  // other in curves with the same pitch and area ratio (differing in blade
  // count) share the rest of each term but its power of Z. Returns the notes
  // of all.
  static ModelRangeNotes evaluateGrid(std::span<const OpenWaterCurve> curves,
                                      std::span<const float> advance, std::span<float> kt,
                                      std::span<float> kq, std::span<float> eta0,
                                      std::span<const std::size_t> rows = {});

  // The same pitch and area ratio, bit for bit.
  bool sameRatios(const OpenWaterCurve& other) const;

  // What one curve shares between its points: the powers of the ratios and
  // blade count, the whole value of each term without J, the correction.
  struct Shared {
    std::array<float, series_tables::maxPitchExponent + 1> pd;
    std::array<float, series_tables::maxAreaExponent + 1> ear;
    std::array<float, series_tables::maxBladeExponent + 1> z;
    std::array<float, series_tables::ktTermCount> ktTermWithoutJ;
    std::array<float, series_tables::kqTermCount> kqTermWithoutJ;
    bool sameCorrection = false;  // one dKt, dKq for every J
    float dKt = 0.0f;
    float dKq = 0.0f;
  };

 private:
  bool sharesAdvanceTerms() const;

  Series series_;
  bool gawnRegression_;
  float pitchRatio_;
  float areaRatio_;
  float bladeCount_;
  ScaleCorrection correction_;
  bool perPointCorrection_ = false;
  CurveIsa isa_;
  Shared shared_{};
};

}  // namespace helisolv
