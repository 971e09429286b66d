// The curve evaluator against the point-by-point evaluator, bit for bit, and
// the record a design sweep leaves behind.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "driver/record.hpp"
#include "series/formulas.hpp"
#include "series/open_water_curve.hpp"
#include "series/series.hpp"
#include "task_run.hpp"

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
              rec = ProblemRecord{};
              rec.seriesType = series;
              rec.viscousFlag = diameter < 0.0f ? 0 : 1;
              rec.diameter = diameter < 0.0f ? 0.0f : diameter;
              rec.advanceSpeed = 6.0f;
              rec.rpm = 120.0f;

              float curveBlades = z;
              const OpenWaterCurve curve(series, pd, ear, curveBlades, isa);
              curve.evaluate(grid, curveJ, kt, kq, eta0);
              for (size_t i = 0; i < n; ++i) {
                float pointBlades = z;
                float pointPitch = pd;
                float pointArea = ear;
                rec.advanceRatio = grid[i];
                evalOpenWater(pointPitch, pointArea, pointBlades);
                ASSERT_EQ(bits(curveBlades), bits(pointBlades));
                const bool same = bits(curveJ[i]) == bits(rec.advanceRatio) &&
                                  bits(kt[i]) == bits(rec.kt) && bits(kq[i]) == bits(rec.kq) &&
                                  bits(eta0[i]) == bits(rec.eta0);
                ASSERT_TRUE(same) << "series " << series << " isa " << static_cast<int>(isa)
                                  << " D " << diameter << " P/D " << pd << " EAR " << ear << " Z "
                                  << z << " J " << grid[i] << ": Kt " << kt[i] << " vs " << rec.kt
                                  << ", Kq " << kq[i] << " vs " << rec.kq;
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

// A design sweep that finds no candidate leaves in the record what the last
// pitch pass evaluated last (its first negative Kt, or the end of the grid),
// and the Gawn blade count, exactly as a point-by-point sweep leaves them.
class DesignSweepRecord : public TaskRun {};

TEST_F(DesignSweepRecord, HoldsTheLastPointOfTheLastPass) {
  // Kq/J^5 far above any curve: no row. The last Wageningen curve ends at its
  // first negative Kt, the last Gawn curve at the end of the grid.
  for (int series : {1, 2}) {
    run(series, 3, "5000 0.5 200 1025 4 0.8");
    ASSERT_NE(console.str().find("bulunamadi"), std::string::npos);
    const ProblemRecord after = rec;

    float pitch = rec.pdMin;
    for (int pass = 2; pass <= sweepPassCount(rec.pdMin, rec.pdMax, 0.01f); ++pass)
      pitch = pitch + 0.01f;
    float blades = 4.0f;
    float j = 0.1f;
    for (int point = 1; point <= 1400; ++point) {
      rec.advanceRatio = j;
      evalOpenWater(pitch, rec.areaRatio, blades);
      if (rec.kt < 0.0f) break;
      j = j + 0.001f;
    }
    EXPECT_EQ(bits(after.advanceRatio), bits(rec.advanceRatio)) << "series " << series;
    EXPECT_EQ(bits(after.kt), bits(rec.kt)) << "series " << series;
    EXPECT_EQ(bits(after.kq), bits(rec.kq)) << "series " << series;
    EXPECT_EQ(bits(after.eta0), bits(rec.eta0)) << "series " << series;
    EXPECT_EQ(after.bladeCount, series == 2 ? 3.0f : 4.0f);
  }
}

}  // namespace
}  // namespace helisolv
