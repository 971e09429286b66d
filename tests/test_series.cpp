// The open-water model of both series at their published reference points, the
// J clamp, the ITTC78 correction's reference values, and the selection of the
// best table row. Every printed table is pinned by the recorded runs.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "series/formulas.hpp"
#include "series/gawn_regression.hpp"
#include "series/reynolds_correction.hpp"
#include "series/series.hpp"

namespace helisolv {
namespace {

const SeriesModel kWageningen{Series::Wageningen};
const SeriesModel kGawn{Series::Gawn};

// Published reference points of both series, and through the evaluator the
// ITTC78 correction by the published formulas and the B-series Reynolds-number
// correction, against a double-precision computation by hand: B4-55, P/D 1.0
// at D 4 m and 200 rpm, the speed J n D where none is given (Rn 3.2147e7 at J
// 0.5, 3.2806e7 at J 0.7) or the given one (6 m/s: Rn 3.2015e7). At J = 0 the
// bollard condition is evaluated at J = 0.001, which the caller receives.
TEST(Series, ReferencePointsOfBothSeriesAndTheCorrections) {
  const Propeller b4{4.0f, 0.55f, 1.0f};
  const ScaleCorrection none{};
  const ScaleCorrection ittc78{1, ViscousCorrection::Ittc78, 4.0f, 0.0f, 200.0f};
  const ScaleCorrection reynolds{1, ViscousCorrection::Reynolds, 4.0f, 0.0f, 200.0f};
  const ScaleCorrection reynoldsAt6{1, ViscousCorrection::Reynolds, 4.0f, 6.0f, 200.0f};
  const struct {
    const SeriesModel& model;
    Propeller propeller;
    float j;
    const ScaleCorrection& correction;
    double kt, kq, eta0, tolerance;  // Kq's tolerance a tenth of it; eta0 < 0: not compared
  } points[] = {
      {kWageningen, b4, 0.5f, none, 0.2652, 0.04178, 0.5052, 5e-5},
      {kWageningen, b4, 0.7f, none, 0.1807, 0.03090, 0.6516, 5e-5},
      {kWageningen, b4, 0.0f, none, 0.4240, 0.06126, -1, 5e-5},
      {kGawn, {3.0f, 0.55f, 1.0f}, 0.5f, none, 0.2678, 0.04166, 0.5116, 5e-5},
      {kWageningen, b4, 0.5f, ittc78, 0.265592263, 0.0414975881, 0.509310583, 1e-6},
      {kWageningen, b4, 0.7f, ittc78, 0.181078442, 0.0306144638, 0.658958800, 1e-6},
      {kWageningen, b4, 0.5f, reynolds, 0.265710090, 0.0407624044, 0.518726445, 1e-6},
      {kWageningen, b4, 0.7f, reynolds, 0.181561823, 0.0298729152, 0.677119157, 1e-6},
      {kWageningen, b4, 0.45f, reynoldsAt6, 0.285273965, 0.0432042689, -1, 1e-6},
  };
  for (const auto& p : points) {
    const OpenWaterPoint got = evaluateOpenWater(p.model, p.propeller, p.j, p.correction);
    SCOPED_TRACE(testing::Message() << "series " << static_cast<int>(p.model.seriesType) << " J "
                                    << p.j << " method " << static_cast<int>(p.correction.method));
    EXPECT_NEAR(got.kt, p.kt, p.tolerance);
    EXPECT_NEAR(got.kq, p.kq, p.tolerance / 10);
    if (p.eta0 >= 0) {
      EXPECT_NEAR(got.eta0, p.eta0, p.tolerance < 1e-5 ? 2 * p.tolerance : p.tolerance);
    }
    EXPECT_EQ(got.advanceRatio, p.j == 0.0f ? 0.001f : p.j);
    EXPECT_FALSE(got.notes.reynoldsClamped);
  }
  EXPECT_EQ(evaluateOpenWater(kWageningen, b4, -0.0005f).advanceRatio, 0.001f);
  EXPECT_EQ(evaluateOpenWater(kGawn, b4, 0.0f).advanceRatio, 0.001f);
  EXPECT_EQ(evaluateOpenWater(kWageningen, b4, 0.7f).bladeCount, 4.0f);
}

// The ITTC78 correction for four metres, the program's own and by the
// published formulas (model 0.24 m at 10 rev/s: Rn 339629, CDM 0.0092844,
// CDS 0.0082801).
TEST(Series, Ittc78CorrectionForFourMetres) {
  float dc = 4.0f, pd = 1.0f, nR = 10.0f, nu = 1.13902e-6f, dKt = 0.0f, dKq = 0.0f;
  int zi = 4;
  const float chord = 0.55f * dc * 2.073f / 4.0f;
  float tc = (0.0185f - 0.00125f * 4.0f) * dc / chord, cd = chord / dc, s = 0.24f / dc;
  EXPECT_NEAR(chord, 1.14015f, 0.000005f);
  EXPECT_NEAR(tc, 0.04736f, 0.000005f);
  EXPECT_NEAR(cd, 0.28504f, 0.000005f);
  ittc78Correction(dc, pd, zi, tc, cd, s, nR, nu, dKt, dKq);
  EXPECT_NEAR(dKt, -0.002080f, 0.0000005f);
  EXPECT_NEAR(dKq, 0.001842f, 0.0000005f);
  publishedIttc78Correction(dc, pd, zi, tc, cd, s, nR, nu, dKt, dKq);
  EXPECT_NEAR(dKt, -0.000343505597, 2e-9);
  EXPECT_NEAR(dKq, 0.000286254664, 2e-9);
}

// The Gawn series is never corrected, and evaluates (and reports back) any
// whole blade count as three; a Reynolds number beyond the B-series' fitted
// range is taken at its end and noted.
TEST(Series, GawnIsNeverCorrectedAndHasThreeBladesAndTheReynoldsClamp) {
  const Propeller g3{3.0f, 0.55f, 1.0f};
  const OpenWaterPoint p = evaluateOpenWater(kGawn, g3, 0.5f);
  for (const ScaleCorrection& c :
       {ScaleCorrection{1, ViscousCorrection::Legacy, 3.0f, 0.0f, 200.0f},
        ScaleCorrection{1, ViscousCorrection::Reynolds, 4.0f, 0.0f, 200.0f}}) {
    const OpenWaterPoint corrected = evaluateOpenWater(kGawn, g3, 0.5f, c);
    EXPECT_TRUE(corrected.kt == p.kt && corrected.kq == p.kq) << "never corrected";
  }
  const OpenWaterPoint four = evaluateOpenWater(kGawn, {4.0f, 0.55f, 1.0f}, 0.5f);
  EXPECT_EQ(four.bladeCount, 3.0f);
  EXPECT_EQ(four.kt, p.kt);
  EXPECT_EQ(evaluateOpenWater(kGawn, {3.005f, 0.55f, 1.0f}, 0.5f).bladeCount, 3.005f);

  // A 0.2 m propeller at 60 rpm: Rn about 1e4, taken as 2e6.
  const Propeller small{4.0f, 0.55f, 1.0f};
  const OpenWaterPoint model = evaluateOpenWater(kWageningen, small, 0.6f);
  const OpenWaterPoint clamped = evaluateOpenWater(
      kWageningen, small, 0.6f, {1, ViscousCorrection::Reynolds, 0.2f, 0.0f, 60.0f});
  const ReynoldsCorrection atEnd = bSeriesReynoldsCorrection(0.6f, 1.0f, 0.55f, 4.0f, 2.0e6f);
  EXPECT_TRUE(clamped.notes.reynoldsClamped);
  EXPECT_EQ(clamped.kt, model.kt + atEnd.dKt);
  EXPECT_EQ(clamped.kq, model.kq + atEnd.dKq);
}

// The Gawn series by the published regression: the regression's own values,
// three blades whatever the task says, no correction, and a note wherever P/D,
// area ratio or J leave the fitted ranges (a value that is not a number too).
TEST(GawnRegression, EvaluatorUsesItWithTheSeriesRulesAndNotesTheFittedRanges) {
  const SeriesModel regression{Series::Gawn, GawnModel::Regression};
  const Propeller four{4.0f, 0.65f, 1.0f};
  const OpenWaterPoint p = evaluateOpenWater(regression, four, 0.5f,
                                             {1, ViscousCorrection::Reynolds, 4.0f, 0.0f, 200.0f});
  float kt = 0.0f;
  float kq = 0.0f;
  gawnRegression(0.5f, 1.0f, 0.65f, kt, kq);
  EXPECT_EQ(p.kt, kt);
  EXPECT_EQ(p.kq, kq);
  EXPECT_EQ(p.eta0, openWaterEfficiency(kt, kq, 0.5f));
  EXPECT_EQ(p.bladeCount, 3.0f);
  EXPECT_FALSE(p.notes.outsideGawnRegression);
  EXPECT_NE(p.kt, evaluateOpenWater(kGawn, four, 0.5f).kt);

  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Outside {
    float pd, ear, j;
  };
  for (const Outside& o :
       {Outside{0.79f, 0.65f, 0.5f}, Outside{1.81f, 0.65f, 0.5f}, Outside{1.0f, 0.49f, 0.5f},
        Outside{1.0f, 1.11f, 0.5f}, Outside{1.0f, 0.65f, 0.29f}, Outside{1.0f, 0.65f, 0.0f},
        Outside{nan, 0.65f, 0.5f}})
    EXPECT_TRUE(evaluateOpenWater(regression, {3.0f, o.ear, o.pd}, o.j).notes.outsideGawnRegression)
        << "P/D " << o.pd << " EAR " << o.ear << " J " << o.j;
  for (const Outside& o : {Outside{0.8f, 0.5f, 0.3f}, Outside{1.8f, 1.1f, 1.4f}})
    EXPECT_FALSE(
        evaluateOpenWater(regression, {3.0f, o.ear, o.pd}, o.j).notes.outsideGawnRegression)
        << "P/D " << o.pd << " EAR " << o.ear << " J " << o.j;
}

TEST(FindMaxIndex, ComparesAtOneThousandthKeepsTheEarlierRowAndSkipsUnprintableRows) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    std::vector<float> values;  // element 0 unused
    int count, expected;
  } cases[] = {
      {{0, 0.6512f, 0.6518f, 0.6519f}, 3, 1},  // all 651
      {{0, 0.650f, 0.652f, 0.652f}, 3, 2},     // the later equal value does not replace
      {{0, 0.40f, 0.55f, 0.61f, 0.58f}, 4, 3},
      {{0, 0.2f}, 1, 1},
      {{0, 0.2f}, 0, 1},
      {{0, nan, 0.3f, nan, 0.2f}, 4, 2},
      {{0, 0.5f, 3.0e9f, inf, -inf}, 4, 2},  // beyond the integer range: saturated
  };
  for (const auto& c : cases) {
    int index = 0;
    findMaxIndex(c.count, c.values.data(), index);
    EXPECT_EQ(index, c.expected) << "values[1] " << c.values[1] << " count " << c.count;
  }
}

}  // namespace
}  // namespace helisolv
