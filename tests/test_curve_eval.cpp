// The curve evaluator against the point-by-point evaluator, bit for bit.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <span>
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
// with each instruction set (skipped, saying so, where the processor lacks
// it; Best is the one a caller gets by default). The Gawn rows also check that
// the flag leaves that series uncorrected and that its blade-count rule reaches
// the caller; every curve's notes are those of its points together.
class CurveEvaluator : public ::testing::TestWithParam<CurveIsa> {};

TEST_P(CurveEvaluator, MatchesPointByPointEvaluationBitForBit) {
  const CurveIsa isa = GetParam();
  if (!curveIsaAvailable(isa))
    GTEST_SKIP() << "this processor lacks the instruction set, so its kernel cannot run here";
  constexpr GawnModel kLegacyGawn = GawnModel::Legacy;
  constexpr GawnModel kRegression = GawnModel::Regression;
  constexpr ViscousCorrection kLegacy = ViscousCorrection::Legacy;
  constexpr ViscousCorrection kReynolds = ViscousCorrection::Reynolds;
  const CurveCase cases[] = {
      {{Series{}, kLegacyGawn}, 1, kLegacy, 4.0f, 6.0f, 120.0f},
      {{Series::Wageningen, kLegacyGawn}, 0, kLegacy, 0.0f, 6.0f, 120.0f},
      {{Series::Wageningen, kLegacyGawn}, 1, kLegacy, 4.0f, 6.0f, 120.0f},
      {{Series::Wageningen, kLegacyGawn}, 1, kLegacy, 0.0f, 6.0f, 120.0f},
      {{Series::Wageningen, kLegacyGawn}, 1, ViscousCorrection::Ittc78, 4.0f, 6.0f, 120.0f},
      {{Series::Wageningen, kLegacyGawn}, 1, kReynolds, 4.0f, 6.0f, 120.0f},
      {{Series::Wageningen, kLegacyGawn}, 1, kReynolds, 4.0f, 0.0f, 200.0f},    // Va = J n D
      {{Series::Wageningen, kLegacyGawn}, 1, kReynolds, 0.0f, 6.0f, 120.0f},    // D = Va / (J n)
      {{Series::Wageningen, kLegacyGawn}, 1, kReynolds, 0.2f, 0.0f, 60.0f},     // Rn below 2e6
      {{Series::Wageningen, kLegacyGawn}, 1, kReynolds, 20.0f, 40.0f, 900.0f},  // Rn above 2e9
      {{Series::Gawn, kLegacyGawn}, 1, kLegacy, 4.0f, 6.0f, 120.0f},
      {{Series::Gawn, kLegacyGawn}, 1, kLegacy, 0.0f, 6.0f, 120.0f},
      {{Series::Gawn, kRegression}, 0, kLegacy, 0.0f, 6.0f, 120.0f},
      {{Series::Gawn, kRegression}, 1, kReynolds, 4.0f, 0.0f, 200.0f},
  };
  const std::vector<float> grid = advanceGrid();
  const size_t n = grid.size();
  std::vector<float> curveJ(n), kt(n), kq(n), eta0(n);
  int compared = 0;
  bool clampedAny = false;
  bool outsideAny = false;
  bool insideAny = false;
  for (const CurveCase& c : cases) {
    const ScaleCorrection correction{c.viscousFlag, c.method, c.diameter, c.advanceSpeed, c.rpm};
    const int series = static_cast<int>(c.model.seriesType);
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
  EXPECT_GT(compared, 0);
  EXPECT_TRUE(clampedAny && outsideAny && insideAny);
}

// Evaluates the curves over the first `length` J of the grid together, each
// into its row (rows[p], or p when none are given), and compares every row
// and the notes with the curve evaluated alone.
void expectGridGivesEachCurvesBits(const std::vector<OpenWaterCurve>& curves, size_t length,
                                   const std::vector<size_t>& rows = {}) {
  const std::vector<float> grid = advanceGrid();
  const std::span<const float> js(grid.data(), length);
  const size_t n = curves.size() * length;
  std::vector<float> kt(n), kq(n), eta0(n);
  const ModelRangeNotes notes = OpenWaterCurve::evaluateGrid(curves, js, kt, kq, eta0, rows);
  ModelRangeNotes curveNotes;
  std::vector<float> oneJ(length), oneKt(length), oneKq(length), oneEta(length);
  for (size_t p = 0; p < curves.size(); ++p) {
    curveNotes |= curves[p].evaluate(js, oneJ, oneKt, oneKq, oneEta);
    for (size_t i = 0; i < length; ++i) {
      const size_t at = (rows.empty() ? p : rows[p]) * length + i;
      ASSERT_TRUE(bits(kt[at]) == bits(oneKt[i]) && bits(kq[at]) == bits(oneKq[i]) &&
                  bits(eta0[at]) == bits(oneEta[i]))
          << "curve " << p << " of " << length << " J, J " << js[i] << ": Kt " << kt[at] << " vs "
          << oneKt[i] << ", Kq " << kq[at] << " vs " << oneKq[i] << ", eta0 " << eta0[at] << " vs "
          << oneEta[i];
    }
  }
  EXPECT_EQ(notes.reynoldsClamped, curveNotes.reynoldsClamped);
  EXPECT_EQ(notes.outsideGawnRegression, curveNotes.outsideGawnRegression);
}

// Many curves over one grid of J give each curve's own bits: more curves of a
// kind than one tile holds, kinds that cannot share the products of J between
// them (no polynomials, the regression, a correction at each J), two series
// side by side, and J counts that end in a partial block of every width.
// Then curves of one pitch and area ratio side by side, which share every
// term's product but its power of Z: groups of every size up to beyond the
// largest evaluated together, a lone curve between them, members that differ
// in their scale correction or need one at each J (which leave the group), the
// Gawn series (whose blade count is 3 for all), the same propeller twice, and
// each curve's row placed elsewhere (here in the reverse order) in the outputs.
TEST_P(CurveEvaluator, GridGivesEachCurvesBits) {
  const CurveIsa isa = GetParam();
  if (!curveIsaAvailable(isa))
    GTEST_SKIP() << "this processor lacks the instruction set, so its kernel cannot run here";
  const ScaleCorrection none{};
  const ScaleCorrection whole{1, ViscousCorrection::Ittc78, 4.0f, 6.0f, 120.0f};
  const ScaleCorrection perJ{1, ViscousCorrection::Reynolds, 4.0f, 6.0f, 120.0f};
  const SeriesModel b{Series::Wageningen, GawnModel::Legacy};
  const SeriesModel gawn{Series::Gawn, GawnModel::Legacy};
  std::vector<OpenWaterCurve> curves;
  for (int p = 0; p < 40; ++p)
    curves.emplace_back(
        b, Propeller{static_cast<float>(2 + p % 6), 0.3f + 0.02f * p, 0.5f + 0.03f * p},
        p % 3 == 0 ? whole : none, isa);
  curves.emplace_back(b, Propeller{4.0f, 0.55f, 1.0f}, perJ, isa);
  curves.emplace_back(SeriesModel{Series{}, GawnModel::Legacy}, Propeller{4.0f, 0.55f, 1.0f}, none,
                      isa);
  for (int p = 0; p < 3; ++p)
    curves.emplace_back(gawn, Propeller{3.0f, 0.6f, 0.8f + 0.2f * p}, none, isa);
  curves.emplace_back(SeriesModel{Series::Gawn, GawnModel::Regression},
                      Propeller{3.0f, 0.65f, 1.0f}, none, isa);
  curves.emplace_back(b, Propeller{7.0f, 1.05f, 1.4f}, none, isa);
  for (const size_t length :
       {size_t{0}, size_t{1}, size_t{15}, size_t{17}, size_t{63}, size_t{65}, advanceGrid().size()})
    expectGridGivesEachCurvesBits(curves, length);

  std::vector<OpenWaterCurve> groups;
  for (int size = 1; size <= 11; ++size) {
    const float pitch = 0.6f + 0.07f * static_cast<float>(size);
    const float area = 0.35f + 0.05f * static_cast<float>(size);
    for (int m = 0; m < size; ++m)
      groups.emplace_back(b, Propeller{2.0f + 0.5f * static_cast<float>(m), area, pitch},
                          size % 3 == 0 && m % 2 == 1 ? whole : none, isa);
    if (size == 5) groups.emplace_back(b, Propeller{4.0f, area, pitch}, perJ, isa);
  }
  for (int m = 0; m < 4; ++m)
    groups.emplace_back(gawn, Propeller{static_cast<float>(3 + m), 0.6f, 0.9f}, none, isa);
  groups.emplace_back(b, Propeller{4.0f, 0.55f, 1.0f}, none, isa);
  groups.emplace_back(b, Propeller{4.0f, 0.55f, 1.0f}, none, isa);
  std::vector<size_t> reversed(groups.size());
  for (size_t p = 0; p < reversed.size(); ++p) reversed[p] = reversed.size() - 1 - p;
  for (const size_t length : {size_t{1}, size_t{17}, size_t{65}, advanceGrid().size()})
    expectGridGivesEachCurvesBits(groups, length, reversed);
}

INSTANTIATE_TEST_SUITE_P(EveryInstructionSet, CurveEvaluator,
                         ::testing::Values(CurveIsa::Baseline, CurveIsa::Avx2, CurveIsa::Avx512,
                                           CurveIsa::Best),
                         [](const ::testing::TestParamInfo<CurveIsa>& info) {
                           switch (info.param) {
                             case CurveIsa::Baseline:
                               return "Baseline";
                             case CurveIsa::Avx2:
                               return "Avx2";
                             case CurveIsa::Avx512:
                               return "Avx512";
                             default:
                               return "Best";
                           }
                         });

}  // namespace
}  // namespace helisolv
