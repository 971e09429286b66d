// Burrill's minimum area ratio over many points at once, for callers that
// hold their arguments as arrays: the same arithmetic, point for point, as
// burrillMinAreaRatio, with the line's parabolas looked up once.
#pragma once

#include <array>
#include <cstddef>

#include "helisolv/criteria.hpp"

namespace helisolv {

// The values of one argument: point i at data[i * stride] (a stride of 0 for
// an argument that is the same at every point).
struct StridedFloats {
  const float* data;
  std::size_t stride;
};

// The arguments of burrillMinAreaRatio after the line, in its order: thrust
// (kN), speed of advance, rpm, diameter, pitch ratio, shaft depth, density.
using BurrillArguments = std::array<StridedFloats, 7>;

// Minimum area ratio of each of count points into value, and whether the
// point's sigma is off the line's chart into offChart (its value then 0).
void burrillMinAreaRatios(BurrillCurve line, const BurrillArguments& args, std::size_t count,
                          float* value, bool* offChart);

}  // namespace helisolv
