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

// What one curve is evaluated with: the series and its Gawn model, and the
// scale correction with its full-scale diameter and speed.
struct CurveCase {
  SeriesModel model;
  int viscousFlag;
  ViscousCorrection method;
  float diameter;
  float advanceSpeed;
  float rpm;
};

// Both series by every model (and a type without polynomials), without
// correction, with one correction for the whole curve (diameter known) and with
// one per J (diameter implied by J, or the Reynolds-number correction, whose
// terms hold J, with the speed given or J n D, and Reynolds numbers below and
// above its range), over a spread of pitch ratios, area ratios and blade counts,
// with every instruction set the processor has. The Gawn rows also check that
// the flag leaves that series uncorrected and that its blade-count rule reaches
// the caller; every curve's notes are those of its points together.
TEST(CurveEvaluator, MatchesPointByPointEvaluationBitForBit) {
  constexpr GawnModel kLegacyGawn = GawnModel::Legacy;
  constexpr GawnModel kRegression = GawnModel::Regression;
  constexpr ViscousCorrection kLegacy = ViscousCorrection::Legacy;
  constexpr ViscousCorrection kReynolds = ViscousCorrection::Reynolds;
  const CurveCase cases[] = {
      {{0, kLegacyGawn}, 1, kLegacy, 4.0f, 6.0f, 120.0f},
      {{1, kLegacyGawn}, 0, kLegacy, 0.0f, 6.0f, 120.0f},
      {{1, kLegacyGawn}, 1, kLegacy, 4.0f, 6.0f, 120.0f},
      {{1, kLegacyGawn}, 1, kLegacy, 0.0f, 6.0f, 120.0f},
      {{1, kLegacyGawn}, 1, ViscousCorrection::Ittc78, 4.0f, 6.0f, 120.0f},
      {{1, kLegacyGawn}, 1, kReynolds, 4.0f, 6.0f, 120.0f},
      {{1, kLegacyGawn}, 1, kReynolds, 4.0f, 0.0f, 200.0f},    // Va = J n D
      {{1, kLegacyGawn}, 1, kReynolds, 0.0f, 6.0f, 120.0f},    // D = Va / (J n)
      {{1, kLegacyGawn}, 1, kReynolds, 0.2f, 0.0f, 60.0f},     // Rn below 2e6
      {{1, kLegacyGawn}, 1, kReynolds, 20.0f, 40.0f, 900.0f},  // Rn above 2e9
      {{2, kLegacyGawn}, 1, kLegacy, 4.0f, 6.0f, 120.0f},
      {{2, kLegacyGawn}, 1, kLegacy, 0.0f, 6.0f, 120.0f},
      {{2, kRegression}, 0, kLegacy, 0.0f, 6.0f, 120.0f},
      {{2, kRegression}, 1, kReynolds, 4.0f, 0.0f, 200.0f},
  };
  const std::vector<float> grid = advanceGrid();
  const size_t n = grid.size();
  std::vector<float> curveJ(n), kt(n), kq(n), eta0(n);
  int compared = 0;
  bool clampedAny = false;
  bool outsideAny = false;
  bool insideAny = false;
  for (CurveIsa isa : {CurveIsa::Baseline, CurveIsa::Avx2, CurveIsa::Best}) {
    if (!curveIsaAvailable(isa)) continue;
    for (const CurveCase& c : cases) {
      const ScaleCorrection correction{c.viscousFlag, c.method, c.diameter, c.advanceSpeed, c.rpm};
      const int series = c.model.seriesType;
      for (float pd = 0.5f; pd <= 2.0f; pd = pd + 0.15f) {
        for (float ear : {0.3f, 0.55f, 0.8f, 1.05f}) {
          for (float z : {2.0f, 3.0f, 3.005f, 4.0f, 7.0f}) {
            const Propeller propeller{z, ear, pd};
            const OpenWaterCurve curve(c.model, propeller, correction, isa);
            const ModelRangeNotes notes = curve.evaluate(grid, curveJ, kt, kq, eta0);
            ModelRangeNotes pointNotes;
            for (size_t i = 0; i < n; ++i) {
              const OpenWaterPoint p = evaluateOpenWater(c.model, propeller, grid[i], correction);
              pointNotes |= p.notes;
              if (series == 1 || series == 2) {
                ASSERT_EQ(bits(curve.bladeCount()), bits(p.bladeCount));
              }
              const bool same = bits(curveJ[i]) == bits(p.advanceRatio) &&
                                bits(kt[i]) == bits(p.kt) && bits(kq[i]) == bits(p.kq) &&
                                bits(eta0[i]) == bits(p.eta0);
              ASSERT_TRUE(same) << "series " << series << " gawn " << static_cast<int>(c.model.gawn)
                                << " method " << static_cast<int>(c.method) << " isa "
                                << static_cast<int>(isa) << " D " << c.diameter << " P/D " << pd
                                << " EAR " << ear << " Z " << z << " J " << grid[i] << ": Kt "
                                << kt[i] << " vs " << p.kt << ", Kq " << kq[i] << " vs " << p.kq;
              ++compared;
            }
            ASSERT_EQ(notes.reynoldsClamped, pointNotes.reynoldsClamped);
            ASSERT_EQ(notes.outsideGawnRegression, pointNotes.outsideGawnRegression);
            clampedAny = clampedAny || notes.reynoldsClamped;
            outsideAny = outsideAny || notes.outsideGawnRegression;
          }
        }
      }
      // A curve wholly inside the regression's fitted ranges has no note.
      if (c.model.gawn == kRegression) {
        const std::vector<float> fitted{0.3f, 0.5f, 0.8f, 1.2f};
        std::vector<float> j4(4), kt4(4), kq4(4), eta4(4);
        const OpenWaterCurve inside(c.model, {3.0f, 0.65f, 1.0f}, correction, isa);
        insideAny = !inside.evaluate(fitted, j4, kt4, kq4, eta4).outsideGawnRegression;
        ASSERT_TRUE(insideAny);
      }
    }
  }
  EXPECT_GT(compared, 0);
  EXPECT_TRUE(clampedAny && outsideAny && insideAny);
}

}  // namespace
}  // namespace helisolv
