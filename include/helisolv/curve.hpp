// Open-water coefficients of one propeller along a curve of J: the same bits
// as evaluateOpenWater point by point, with many J evaluated side by side.
#pragma once

#include <span>

#include "helisolv/open_water.hpp"

namespace helisolv {

// What a curve reports besides its values: the blade count the series
// evaluated with (the Gawn series takes any count not within 0.01 of 3 as 3)
// and where a published model went beyond its fitted ranges at any point.
struct CurveSummary {
  float bladeCount = 0.0f;
  ModelRangeNotes notes;
};

// Kt, Kq and eta0 of the propeller at each J of advance, by the series model
// (and Gawn model) given, corrected for scale where the correction applies
// (the Wageningen series only). kt, kq and eta0 must have the length of
// advance; so must evaluatedAdvance, which receives the J each point was
// evaluated at (|J| below 0.001 becomes 0.001), unless it is left empty.
// Throws std::invalid_argument when a length differs.
CurveSummary evaluateOpenWaterCurve(const SeriesModel& model, const Propeller& propeller,
                                    std::span<const float> advance, std::span<float> kt,
                                    std::span<float> kq, std::span<float> eta0,
                                    const ScaleCorrection& correction = {},
                                    std::span<float> evaluatedAdvance = {});

}  // namespace helisolv
