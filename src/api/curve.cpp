#include "helisolv/curve.hpp"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "series/open_water_curve.hpp"

namespace helisolv {

CurveSummary evaluateOpenWaterCurve(const SeriesModel& model, const Propeller& propeller,
                                    std::span<const float> advance, std::span<float> kt,
                                    std::span<float> kq, std::span<float> eta0,
                                    const ScaleCorrection& correction,
                                    std::span<float> evaluatedAdvance) {
  const std::size_t count = advance.size();
  if (kt.size() != count || kq.size() != count || eta0.size() != count ||
      (!evaluatedAdvance.empty() && evaluatedAdvance.size() != count))
    throw std::invalid_argument("every span of a curve must have the length of its J");
  const OpenWaterCurve curve(model, propeller, correction);
  if (!evaluatedAdvance.empty())
    return {curve.bladeCount(), curve.evaluate(advance, evaluatedAdvance, kt, kq, eta0)};
  // The evaluator keeps the clamped J of every point; a caller that does not
  // want them gets a stretch at a time through a buffer that stays in cache.
  // Each J is evaluated alone in its lane, so the stretches change no bit.
  constexpr std::size_t kStretch = 4096;
  std::array<float, kStretch> clamped;
  CurveSummary summary{curve.bladeCount(), {}};
  for (std::size_t at = 0; at < count; at += kStretch) {
    const std::size_t n = std::min(kStretch, count - at);
    summary.notes |= curve.evaluate(advance.subspan(at, n), std::span<float>(clamped.data(), n),
                                    kt.subspan(at, n), kq.subspan(at, n), eta0.subspan(at, n));
  }
  return summary;
}

}  // namespace helisolv
