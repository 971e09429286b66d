#include "helisolv/curve.hpp"

#include <algorithm>
#include <array>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

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

ModelRangeNotes evaluateOpenWaterGrid(const SeriesModel& model,
                                      std::span<const Propeller> propellers,
                                      std::span<const float> advance, std::span<float> kt,
                                      std::span<float> kq, std::span<float> eta0,
                                      const ScaleCorrection& correction) {
  const std::size_t row = advance.size();
  if (row != 0 && propellers.size() > std::numeric_limits<std::size_t>::max() / row)
    throw std::invalid_argument("a grid of " + std::to_string(propellers.size()) +
                                " propellers by " + std::to_string(row) + " J is too large");
  const std::size_t count = propellers.size() * row;
  const std::pair<const char*, std::size_t> outputs[] = {
      {"kt", kt.size()}, {"kq", kq.size()}, {"eta0", eta0.size()}};
  for (const auto& [name, size] : outputs)
    if (size != count)
      throw std::invalid_argument(std::string(name) + " holds " + std::to_string(size) +
                                  " values where a grid of " + std::to_string(propellers.size()) +
                                  " propellers by " + std::to_string(row) + " J needs " +
                                  std::to_string(count));
  // The curves of a few hundred propellers at a time share the products of J
  // without holding the constants of every propeller of a large grid at once.
  constexpr std::size_t kChunk = 256;
  std::vector<OpenWaterCurve> curves;
  curves.reserve(std::min(kChunk, propellers.size()));
  ModelRangeNotes notes;
  for (std::size_t p = 0; p < propellers.size(); p += kChunk) {
    const std::size_t n = std::min(kChunk, propellers.size() - p);
    curves.clear();
    for (std::size_t q = 0; q < n; ++q) curves.emplace_back(model, propellers[p + q], correction);
    notes |=
        OpenWaterCurve::evaluateGrid(curves, advance, kt.subspan(p * row, n * row),
                                     kq.subspan(p * row, n * row), eta0.subspan(p * row, n * row));
  }
  return notes;
}

}  // namespace helisolv
