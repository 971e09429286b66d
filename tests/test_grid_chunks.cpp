// A grid of more propellers than are evaluated together: every propeller's
// row, in the later groups too, is that propeller's own curve.

#include <gtest/gtest.h>

#include <vector>

#include "helisolv/curve.hpp"
#include "helisolv/open_water.hpp"

namespace helisolv {
namespace {

TEST(GridChunks, EveryRowOfALargeGridIsItsOwnPropellersCurve) {
  std::vector<Propeller> grid;
  for (int i = 0; i < 600; ++i)
    grid.push_back({static_cast<float>(3 + i % 5), 0.4f + 0.001f * static_cast<float>(i % 500),
                    0.6f + 0.0013f * static_cast<float>(i)});
  const std::vector<float> j{0.1f, 0.4f, 0.7f};
  const std::size_t n = grid.size() * j.size();
  std::vector<float> kt(n), kq(n), eta0(n);
  evaluateOpenWaterGrid({Series::Wageningen}, grid, j, kt, kq, eta0);
  for (std::size_t p = 0; p < grid.size(); ++p)
    for (std::size_t i = 0; i < j.size(); ++i) {
      const OpenWaterPoint point = evaluateOpenWater({Series::Wageningen}, grid[p], j[i]);
      const std::size_t at = p * j.size() + i;
      ASSERT_EQ(kt[at], point.kt) << p << ' ' << i;
      ASSERT_EQ(kq[at], point.kq) << p << ' ' << i;
      ASSERT_EQ(eta0[at], point.eta0) << p << ' ' << i;
    }
}

}  // namespace
}  // namespace helisolv
