// The grid of propellers over one J with each propeller's row placed
// anywhere in the outputs: what a caller that walks its own layout (the
// Python module's broadcast call) evaluates a batch of rows with.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "helisolv/open_water.hpp"

namespace helisolv {

// As evaluateOpenWaterGrid, the curve of propellers[p] filling elements
// rows[p] * advance.size() to (rows[p] + 1) * advance.size() - 1 of kt, kq and
// eta0. Propellers of the same pitch and area ratio are evaluated together
// wherever they stand, which changes no bit. Throws std::invalid_argument
// when rows and propellers differ in length or a row lies beyond an output.
ModelRangeNotes evaluateOpenWaterRows(const SeriesModel& model,
                                      std::span<const Propeller> propellers,
                                      std::span<const std::size_t> rows,
                                      std::span<const float> advance, std::span<float> kt,
                                      std::span<float> kq, std::span<float> eta0,
                                      const ScaleCorrection& correction = {});

// The indices of propellers in an order that puts those of the same pitch and
// area ratio (bit for bit) next to each other: the groups in the order of
// their first propeller, each group's propellers in their own order.
std::vector<std::size_t> groupedPropellerOrder(std::span<const Propeller> propellers);

}  // namespace helisolv
