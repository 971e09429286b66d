#include "helisolv/curve.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "api/curve_rows.hpp"
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

std::vector<std::size_t> groupedPropellerOrder(std::span<const Propeller> propellers) {
  std::unordered_map<std::uint64_t, std::size_t> groupOf;
  std::vector<std::size_t> group(propellers.size()), sizes;
  for (std::size_t p = 0; p < propellers.size(); ++p) {
    std::uint32_t pitch, area;
    std::memcpy(&pitch, &propellers[p].pitchRatio, sizeof pitch);
    std::memcpy(&area, &propellers[p].areaRatio, sizeof area);
    const auto [at, added] = groupOf.try_emplace(std::uint64_t{pitch} << 32 | area, sizes.size());
    if (added) sizes.push_back(0);
    group[p] = at->second;
    ++sizes[at->second];
  }
  std::vector<std::size_t> start(sizes.size());
  for (std::size_t g = 1; g < sizes.size(); ++g) start[g] = start[g - 1] + sizes[g - 1];
  std::vector<std::size_t> order(propellers.size());
  for (std::size_t p = 0; p < propellers.size(); ++p) order[start[group[p]]++] = p;
  return order;
}

ModelRangeNotes evaluateOpenWaterRows(const SeriesModel& model,
                                      std::span<const Propeller> propellers,
                                      std::span<const std::size_t> rows,
                                      std::span<const float> advance, std::span<float> kt,
                                      std::span<float> kq, std::span<float> eta0,
                                      const ScaleCorrection& correction) {
  const std::size_t row = advance.size();
  if (rows.size() != propellers.size())
    throw std::invalid_argument("a row for each of " + std::to_string(propellers.size()) +
                                " propellers, not " + std::to_string(rows.size()));
  const std::size_t outputRows = row == 0 ? 0 : std::min({kt.size(), kq.size(), eta0.size()}) / row;
  for (const std::size_t r : rows)
    if (row != 0 && r >= outputRows)
      throw std::invalid_argument("row " + std::to_string(r) + " lies beyond the " +
                                  std::to_string(outputRows) + " rows of the outputs");

  // The curves of a few hundred propellers at a time share the products of J
  // without holding the constants of every propeller of a large grid at once.
  constexpr std::size_t kChunk = 256;
  const std::vector<std::size_t> order = groupedPropellerOrder(propellers);
  std::vector<OpenWaterCurve> curves;
  std::vector<std::size_t> chunkRows;
  curves.reserve(std::min(kChunk, propellers.size()));
  ModelRangeNotes notes;
  for (std::size_t p = 0; p < order.size(); p += kChunk) {
    const std::size_t n = std::min(kChunk, order.size() - p);
    curves.clear();
    chunkRows.clear();
    for (std::size_t q = 0; q < n; ++q) {
      curves.emplace_back(model, propellers[order[p + q]], correction);
      chunkRows.push_back(rows[order[p + q]]);
    }
    notes |= OpenWaterCurve::evaluateGrid(curves, advance, kt, kq, eta0, chunkRows);
  }
  return notes;
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
  std::vector<std::size_t> rows(propellers.size());
  for (std::size_t p = 0; p < rows.size(); ++p) rows[p] = p;
  return evaluateOpenWaterRows(model, propellers, rows, advance, kt, kq, eta0, correction);
}

}  // namespace helisolv
