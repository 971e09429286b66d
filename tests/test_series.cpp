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

TEST(Wageningen, ReferencePointsAndTheClampAtSmallJ) {
  const Propeller b4{4.0f, 0.55f, 1.0f};
  OpenWaterPoint p = evaluateOpenWater(kWageningen, b4, 0.5f);
  EXPECT_NEAR(p.kt, 0.2652f, 0.00005f);
  EXPECT_NEAR(10.0f * p.kq, 0.4178f, 0.00005f);
  EXPECT_NEAR(p.eta0, 0.5052f, 0.00005f);
  p = evaluateOpenWater(kWageningen, b4, 0.7f);
  EXPECT_NEAR(p.kt, 0.1807f, 0.00005f);
  EXPECT_NEAR(p.kq, 0.03090f, 0.000005f);
  EXPECT_NEAR(p.eta0, 0.6516f, 0.00005f);
  EXPECT_EQ(p.bladeCount, 4.0f);

  // Bollard condition: evaluated at J = 0.001, which the caller receives.
  p = evaluateOpenWater(kWageningen, b4, 0.0f);
  EXPECT_EQ(p.advanceRatio, 0.001f);
  EXPECT_NEAR(p.kt, 0.4240f, 0.00005f);
  EXPECT_NEAR(p.kq, 0.06126f, 0.000005f);
  EXPECT_EQ(evaluateOpenWater(kWageningen, b4, -0.0005f).advanceRatio, 0.001f);
}

TEST(Ittc78, ReferenceCorrectionForFourMetres) {
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
}

// The published formulas for the same propeller, against a double-precision
// computation by hand (model 0.24 m at 10 rev/s: Rn 339629, CDM 0.0092844,
// CDS 0.0082801), and the evaluator following the record's choice.
TEST(Ittc78, PublishedFormulasForFourMetresAndTheRecordsChoice) {
  float dc = 4.0f, pd = 1.0f, nR = 10.0f, nu = 1.13902e-6f, dKt = 0.0f, dKq = 0.0f;
  int zi = 4;
  const float chord = 0.55f * dc * 2.073f / 4.0f;
  float tc = (0.0185f - 0.00125f * 4.0f) * dc / chord, cd = chord / dc, s = 0.24f / dc;
  publishedIttc78Correction(dc, pd, zi, tc, cd, s, nR, nu, dKt, dKq);
  EXPECT_NEAR(dKt, -0.000343505597, 2e-9);
  EXPECT_NEAR(dKq, 0.000286254664, 2e-9);

  const ScaleCorrection published{1, ViscousCorrection::Ittc78, 4.0f, 0.0f, 200.0f};
  struct Point {
    float j;
    double kt, kq, eta0;
  };
  for (const Point& p : {Point{0.5f, 0.265592263, 0.0414975881, 0.509310583},
                         Point{0.7f, 0.181078442, 0.0306144638, 0.658958800}}) {
    const OpenWaterPoint got = evaluateOpenWater(kWageningen, {4.0f, 0.55f, pd}, p.j, published);
    EXPECT_NEAR(got.kt, p.kt, 1e-6) << "J " << p.j;
    EXPECT_NEAR(got.kq, p.kq, 1e-7) << "J " << p.j;
    EXPECT_NEAR(got.eta0, p.eta0, 2e-6) << "J " << p.j;
  }
}

TEST(Gawn, ReferencePointNoCorrectionTheClampAndThreeBlades) {
  const Propeller g3{3.0f, 0.55f, 1.0f};
  const OpenWaterPoint p = evaluateOpenWater(kGawn, g3, 0.5f);
  EXPECT_NEAR(p.kt, 0.2678f, 0.00005f);
  EXPECT_NEAR(p.kq, 0.04166f, 0.000005f);
  EXPECT_NEAR(p.eta0, 0.5116f, 0.00005f);
  const OpenWaterPoint corrected =
      evaluateOpenWater(kGawn, g3, 0.5f, {1, ViscousCorrection::Legacy, 3.0f, 0.0f, 200.0f});
  EXPECT_TRUE(corrected.kt == p.kt && corrected.kq == p.kq) << "never corrected";
  EXPECT_EQ(evaluateOpenWater(kGawn, g3, 0.0f).advanceRatio, 0.001f);
  // Four blades are evaluated, and reported back, as three.
  const OpenWaterPoint four = evaluateOpenWater(kGawn, {4.0f, 0.55f, 1.0f}, 0.5f);
  EXPECT_EQ(four.bladeCount, 3.0f);
  EXPECT_EQ(four.kt, p.kt);
  EXPECT_EQ(evaluateOpenWater(kGawn, {3.005f, 0.55f, 1.0f}, 0.5f).bladeCount, 3.005f);
}

// The B-series Reynolds-number correction through the evaluator, against the
// double-precision evaluation of the published tables: B4-55, P/D 1.0 at D 4 m
// and 200 rpm, the speed J n D where none is given (Rn 3.2147e7 at J 0.5,
// 3.2806e7 at J 0.7) or the given one (6 m/s: Rn 3.2015e7); a Reynolds number
// beyond the fitted range is taken at its end and noted; the Gawn series is not
// corrected.
TEST(Reynolds, WorkedExampleTheSpeedOfTheRunAndTheRangeEnds) {
  const Propeller b4{4.0f, 0.55f, 1.0f};
  const ScaleCorrection noSpeed{1, ViscousCorrection::Reynolds, 4.0f, 0.0f, 200.0f};
  struct Point {
    float j;
    double kt, kq, eta0;
  };
  for (const Point& p : {Point{0.5f, 0.265710090, 0.0407624044, 0.518726445},
                         Point{0.7f, 0.181561823, 0.0298729152, 0.677119157}}) {
    const OpenWaterPoint got = evaluateOpenWater(kWageningen, b4, p.j, noSpeed);
    EXPECT_NEAR(got.kt, p.kt, 1e-6) << "J " << p.j;
    EXPECT_NEAR(got.kq, p.kq, 1e-7) << "J " << p.j;
    EXPECT_NEAR(got.eta0, p.eta0, 2e-6) << "J " << p.j;
    EXPECT_FALSE(got.notes.reynoldsClamped);
  }
  const ScaleCorrection givenSpeed{1, ViscousCorrection::Reynolds, 4.0f, 6.0f, 200.0f};
  const OpenWaterPoint given = evaluateOpenWater(kWageningen, b4, 0.45f, givenSpeed);
  EXPECT_NEAR(given.kt, 0.285273965, 1e-6);
  EXPECT_NEAR(given.kq, 0.0432042689, 1e-7);

  // A 0.2 m propeller at 60 rpm: Rn about 1e4, taken as 2e6.
  const Propeller small{4.0f, 0.55f, 1.0f};
  const OpenWaterPoint model = evaluateOpenWater(kWageningen, small, 0.6f);
  const OpenWaterPoint clamped = evaluateOpenWater(
      kWageningen, small, 0.6f, {1, ViscousCorrection::Reynolds, 0.2f, 0.0f, 60.0f});
  const ReynoldsCorrection atEnd = bSeriesReynoldsCorrection(0.6f, 1.0f, 0.55f, 4.0f, 2.0e6f);
  EXPECT_TRUE(clamped.notes.reynoldsClamped);
  EXPECT_EQ(clamped.kt, model.kt + atEnd.dKt);
  EXPECT_EQ(clamped.kq, model.kq + atEnd.dKq);

  const OpenWaterPoint gawn = evaluateOpenWater(kGawn, {3.0f, 0.55f, 1.0f}, 0.5f, noSpeed);
  EXPECT_EQ(gawn.kt, evaluateOpenWater(kGawn, {3.0f, 0.55f, 1.0f}, 0.5f).kt);
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
