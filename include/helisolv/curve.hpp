// Open-water coefficients of one propeller along a curve of J, or of a grid
// of propellers over the same J: the same bits as evaluateOpenWater point by
// point, with many J evaluated side by side.
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

// Kt, Kq and eta0 of every propeller of a grid at every J of advance: the
// curve of propellers[p] fills elements p * advance.size() to
// (p + 1) * advance.size() - 1 of kt, kq and eta0 (one row per propeller), the
// same bits as evaluateOpenWaterCurve of that propeller alone. Returns where a
// published model went beyond its fitted ranges at any point. Throws
// std::invalid_argument, saying which, when kt, kq or eta0 does not hold
// exactly propellers.size() * advance.size() values.
ModelRangeNotes evaluateOpenWaterGrid(const SeriesModel& model,
                                      std::span<const Propeller> propellers,
                                      std::span<const float> advance, std::span<float> kt,
                                      std::span<float> kq, std::span<float> eta0,
                                      const ScaleCorrection& correction = {});

}  // namespace helisolv
