// The curve evaluator against the point-by-point evaluator, bit for bit.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "series/formulas.hpp"
#include "series/open_water_curve.hpp"
#include "series/series.hpp"

namespace helisolv {
namespace {

std::uint32_t bits(float x) {
  std::uint32_t b = 0;
  std::memcpy(&b, &x, sizeof b);
  return b;
}

// Every J of the design grid (0.1 to 1.5 by 0.001, well past the first
// negative Kt of most curves), J at and around zero where the clamp acts,
// and a count that leaves a partial block at the end.
std::vector<float> advanceGrid() {
  std::vector<float> grid{0.0f, -0.0f, 0.0005f, -0.0009f, 0.001f, -0.001f, -0.3f, 0.05f};
  float j = 0.1f;
  for (int i = 0; i < 1400; ++i) {
    grid.push_back(j);
    j = j + 0.001f;
  }
  grid.push_back(1.8f);
  return grid;
}

// Both series (and a type without polynomials), without correction, with one correction for the
// whole curve (diameter known) and with one per J (diameter implied by J), over a spread of pitch
// ratios, area ratios and blade counts, with every instruction set the processor has. The Gawn rows
// also check that the flag leaves that series uncorrected and that its blade-count rule reaches the
// caller.
TEST(CurveEvaluator, MatchesPointByPointEvaluationBitForBit) {
  const std::vector<float> grid = advanceGrid();
  const size_t n = grid.size();
  std::vector<float> curveJ(n), kt(n), kq(n), eta0(n);
  int compared = 0;
  for (CurveIsa isa : {CurveIsa::Baseline, CurveIsa::Avx2, CurveIsa::Best}) {
    if (!curveIsaAvailable(isa)) continue;
    for (int series : {0, 1, 2}) {
      for (float diameter : {-1.0f, 4.0f, 0.0f}) {  // -1: no correction
        for (float pd = 0.5f; pd <= 2.0f; pd = pd + 0.15f) {
          for (float ear : {0.3f, 0.55f, 0.8f, 1.05f}) {
            for (float z : {2.0f, 3.0f, 3.005f, 4.0f, 7.0f}) {
              const SeriesModel model{series};
              const ScaleCorrection correction{diameter < 0.0f ? 0 : 1, ViscousCorrection::Legacy,
                                               diameter < 0.0f ? 0.0f : diameter, 6.0f, 120.0f};
              const Propeller propeller{z, ear, pd};
              const OpenWaterCurve curve(model, propeller, correction, isa);
              curve.evaluate(grid, curveJ, kt, kq, eta0);
              for (size_t i = 0; i < n; ++i) {
                const OpenWaterPoint p = evaluateOpenWater(model, propeller, grid[i], correction);
                if (series == 1 || series == 2) {
                  ASSERT_EQ(bits(curve.bladeCount()), bits(p.bladeCount));
                }
                const bool same = bits(curveJ[i]) == bits(p.advanceRatio) &&
                                  bits(kt[i]) == bits(p.kt) && bits(kq[i]) == bits(p.kq) &&
                                  bits(eta0[i]) == bits(p.eta0);
                ASSERT_TRUE(same) << "series " << series << " isa " << static_cast<int>(isa)
                                  << " D " << diameter << " P/D " << pd << " EAR " << ear << " Z "
                                  << z << " J " << grid[i] << ": Kt " << kt[i] << " vs " << p.kt
                                  << ", Kq " << kq[i] << " vs " << p.kq;
                ++compared;
              }
            }
          }
        }
      }
    }
  }
  EXPECT_GT(compared, 0);
}

}  // namespace
}  // namespace helisolv
