// The open-water model of both series: reference points, the J clamp, the
// term order of the sums, the ITTC78 correction and its preparation, the Gawn
// blade-count rule, the dispatch, and the selection of the best table row.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "driver/record.hpp"
#include "series/formulas.hpp"
#include "series/series.hpp"
#include "series/series_tables.hpp"

namespace helisolv {
namespace {

using namespace series_tables;

void startRecord(int seriesType) {
  rec = ProblemRecord{};
  rec.seriesType = seriesType;
}

// One polynomial the long way: each term C * J^s * (P/D)^t * EAR^u * Z^v with
// intPow, summed in table order. The evaluator forms the powers once per call;
// both must give the same bits.
template <std::size_t N>
float termByTerm(const std::array<float, N>& c, const std::array<Exponents, N>& e, float j,
                 float pd, float ear, float z) {
  float sum = 0.0f;
  for (std::size_t i = 0; i < N; ++i)
    sum = sum +
          c[i] * intPow(j, e[i].s) * intPow(pd, e[i].t) * intPow(ear, e[i].u) * intPow(z, e[i].v);
  return sum;
}

TEST(Wageningen, ReferencePointsAndTheClampAtSmallJ) {
  startRecord(1);
  float pd = 1.0f, ear = 0.55f, z = 4.0f;
  rec.advanceRatio = 0.5f;
  evalWageningen(pd, ear, z);
  EXPECT_NEAR(rec.kt, 0.2652f, 0.00005f);
  EXPECT_NEAR(10.0f * rec.kq, 0.4178f, 0.00005f);
  EXPECT_NEAR(rec.eta0, 0.5052f, 0.00005f);
  rec.advanceRatio = 0.7f;
  evalWageningen(pd, ear, z);
  EXPECT_NEAR(rec.kt, 0.1807f, 0.00005f);
  EXPECT_NEAR(rec.kq, 0.03090f, 0.000005f);
  EXPECT_NEAR(rec.eta0, 0.6516f, 0.00005f);
  EXPECT_TRUE(pd == 1.0f && ear == 0.55f && z == 4.0f) << "arguments are not written";

  // Bollard condition: evaluated at J = 0.001, which the caller then sees.
  rec.advanceRatio = 0.0f;
  evalWageningen(pd, ear, z);
  EXPECT_EQ(rec.advanceRatio, 0.001f);
  EXPECT_NEAR(rec.kt, 0.4240f, 0.00005f);
  EXPECT_NEAR(rec.kq, 0.06126f, 0.000005f);
  rec.advanceRatio = -0.0005f;
  evalWageningen(pd, ear, z);
  EXPECT_EQ(rec.advanceRatio, 0.001f);
  // A clearly negative J stays, odd powers keeping its sign.
  rec.advanceRatio = -0.5f;
  evalWageningen(pd, ear, z);
  EXPECT_EQ(rec.advanceRatio, -0.5f);
  EXPECT_EQ(rec.kt, termByTerm(wageningenKt, ktExponents, -0.5f, pd, ear, z));
}

TEST(Wageningen, SumsMatchTheTermByTermEvaluationBitForBit) {
  startRecord(1);
  for (float pd : {0.5f, 0.83f, 1.218f, 1.4f})
    for (float ear : {0.0f, 0.3f, 0.465f, 1.05f})  // 0 and 0 keep only terms 1-4, 14-16
      for (float z : {0.0f, 3.0f, 4.0f, 5.5f})
        for (float j = 0.05f; j < 1.5f; j = j + 0.0625f) {
          rec.advanceRatio = j;
          evalWageningen(pd, ear, z);
          const float kt = termByTerm(wageningenKt, ktExponents, j, pd, ear, z);
          const float kq = termByTerm(wageningenKq, kqExponents, j, pd, ear, z);
          ASSERT_EQ(rec.kt, kt) << "J " << j << " P/D " << pd << " EAR " << ear << " Z " << z;
          ASSERT_EQ(rec.kq, kq) << "J " << j << " P/D " << pd << " EAR " << ear << " Z " << z;
          ASSERT_EQ(rec.eta0, (kt / kq) * j / 6.2831855f);
        }
}

// Kt, Kq of the uncorrected series minus the correction prepared here by hand.
void expectCorrection(float dc, float pd, float ear, float z, int zi, float chordFactor) {
  const float chord = ear * dc * chordFactor / z;
  float tc = (0.0185f - 0.00125f * z) * dc / chord, cd = chord / dc, s = 0.24f / dc;
  float nR = 10.0f, nu = 1.13902e-6f, dKt = 0.0f, dKq = 0.0f;
  ittc78Correction(dc, pd, zi, tc, cd, s, nR, nu, dKt, dKq);
  const float j = rec.advanceRatio;
  const int flag = rec.viscousFlag;
  rec.viscousFlag = 0;
  evalWageningen(pd, ear, z);
  const float kt = rec.kt, kq = rec.kq;
  rec.viscousFlag = flag;
  rec.advanceRatio = j;
  evalWageningen(pd, ear, z);
  EXPECT_EQ(rec.kt, kt - dKt);
  EXPECT_EQ(rec.kq, kq - dKq);
  EXPECT_EQ(rec.eta0, openWaterEfficiency(rec.kt, rec.kq, j)) << "eta0 of the corrected values";
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

  startRecord(1);
  rec.viscousFlag = 1;
  rec.diameter = 4.0f;
  rec.rpm = 120.0f;
  rec.advanceRatio = 0.5f;
  expectCorrection(4.0f, 1.0f, 0.55f, 4.0f, 4, 2.073f);
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

  startRecord(1);
  rec.viscousFlag = 1;
  rec.diameter = 4.0f;
  rec.rpm = 200.0f;
  rec.viscousCorrection = ViscousCorrection::Ittc78;
  float ear = 0.55f, z = 4.0f;
  struct Point {
    float j;
    double kt, kq, eta0;
  };
  for (const Point& p : {Point{0.5f, 0.265592263, 0.0414975881, 0.509310583},
                         Point{0.7f, 0.181078442, 0.0306144638, 0.658958800}}) {
    rec.advanceRatio = p.j;
    evalWageningen(pd, ear, z);
    EXPECT_NEAR(rec.kt, p.kt, 1e-6) << "J " << p.j;
    EXPECT_NEAR(rec.kq, p.kq, 1e-7) << "J " << p.j;
    EXPECT_NEAR(rec.eta0, p.eta0, 2e-6) << "J " << p.j;
  }
}

TEST(Ittc78, PreparedInputsFollowTheTruncatedBladeCountAndTheMissingDiameter) {
  startRecord(1);
  rec.viscousFlag = 1;
  rec.diameter = 2.5f;
  rec.rpm = 300.0f;
  rec.advanceRatio = 0.55f;
  expectCorrection(2.5f, 0.9f, 0.5f, 3.0f, 3, 2.1475f);
  // 3.9 truncates to 3: the three-bladed chord divided by 3.9, the correction times 3.
  expectCorrection(2.5f, 0.9f, 0.5f, 3.9f, 3, 2.1475f);
  expectCorrection(2.5f, 0.9f, 0.5f, 4.0f, 4, 2.073f);
  // Without a diameter, the one that speed, revolutions and J imply.
  rec.diameter = 0.0f;
  rec.advanceSpeed = 6.0f;
  rec.rpm = 150.0f;
  rec.advanceRatio = 0.8f;
  expectCorrection(6.0f / ((150.0f / 60.0f) * 0.8f), 1.2f, 0.7f, 5.0f, 5, 2.073f);
}

TEST(Ittc78, AppliedOnlyWithTheFlagAndASpeedOrRevolutions) {
  startRecord(1);
  float pd = 1.0f, ear = 0.55f, z = 4.0f;
  rec.advanceRatio = 0.6f;
  rec.diameter = 3.0f;
  evalWageningen(pd, ear, z);
  const float plainKt = rec.kt;
  rec.viscousFlag = 1;
  rec.advanceSpeed = 0.0009f;
  rec.rpm = 0.0009f;
  evalWageningen(pd, ear, z);
  EXPECT_EQ(rec.kt, plainKt) << "both below 0.001";
  rec.advanceSpeed = 0.001f;
  evalWageningen(pd, ear, z);
  EXPECT_NE(rec.kt, plainKt) << "speed reaches 0.001";
  rec.advanceSpeed = 0.0f;
  rec.rpm = 0.001f;
  evalWageningen(pd, ear, z);
  EXPECT_NE(rec.kt, plainKt) << "revolutions reach 0.001";
}

TEST(Ittc78, InputsOutsideTheSeriesGiveUnprintableValuesNotACrash) {
  startRecord(1);
  rec.viscousFlag = 1;
  rec.advanceSpeed = 5.0f;  // no diameter, no revolutions: the fallback divides by zero
  rec.advanceRatio = 0.5f;
  float pd = 1.0f, ear = 0.0f, z = 4.0f;
  evalWageningen(pd, ear, z);
  EXPECT_FALSE(std::isfinite(rec.kt) && std::isfinite(rec.kq) && std::isfinite(rec.eta0));
  rec.diameter = 3.0f;
  float huge = 1.0e30f, nan = std::numeric_limits<float>::quiet_NaN();
  evalWageningen(pd, ear, huge);  // the blade count truncates to the largest integer
  evalWageningen(pd, ear, nan);
  EXPECT_TRUE(std::isnan(rec.kt));
}

TEST(Gawn, ReferencePointNoCorrectionAndTheClamp) {
  startRecord(2);
  float pd = 1.0f, ear = 0.55f, z = 3.0f;
  rec.advanceRatio = 0.5f;
  evalGawn(pd, ear, z);
  EXPECT_NEAR(rec.kt, 0.2678f, 0.00005f);
  EXPECT_NEAR(rec.kq, 0.04166f, 0.000005f);
  EXPECT_NEAR(rec.eta0, 0.5116f, 0.00005f);
  EXPECT_EQ(rec.kt, termByTerm(gawnKt, ktExponents, 0.5f, pd, ear, z));
  EXPECT_EQ(rec.kq, termByTerm(gawnKq, kqExponents, 0.5f, pd, ear, z));
  const float kt = rec.kt, kq = rec.kq;
  rec.viscousFlag = 1;
  rec.diameter = 3.0f;
  rec.rpm = 200.0f;
  evalGawn(pd, ear, z);
  EXPECT_TRUE(rec.kt == kt && rec.kq == kq) << "never corrected";
  rec.advanceRatio = 0.0f;
  evalGawn(pd, ear, z);
  EXPECT_EQ(rec.advanceRatio, 0.001f);
}

TEST(OpenWater, DispatchAndTheGawnBladeCountRuleInTheRecord) {
  float pd = 1.0f;
  startRecord(1);
  rec.areaRatio = 0.55f;
  rec.bladeCount = 4.0f;
  rec.advanceRatio = 0.5f;
  evalOpenWater(pd, rec.areaRatio, rec.bladeCount);
  EXPECT_EQ(rec.bladeCount, 4.0f);
  EXPECT_NEAR(rec.kt, 0.2652f, 0.00005f);

  rec.seriesType = 2;
  evalOpenWater(pd, rec.areaRatio, rec.bladeCount);
  EXPECT_EQ(rec.bladeCount, 3.0f);
  EXPECT_NEAR(rec.kt, 0.2678f, 0.00005f);
  rec.bladeCount = 3.005f;  // within 0.01 of 3: used as given
  evalOpenWater(pd, rec.areaRatio, rec.bladeCount);
  EXPECT_EQ(rec.bladeCount, 3.005f);
  EXPECT_EQ(rec.kt, termByTerm(gawnKt, ktExponents, 0.5f, pd, 0.55f, 3.005f));

  for (int type : {0, 3}) {
    rec.seriesType = type;
    rec.kt = 7.0f;
    rec.advanceRatio = 0.0f;
    evalOpenWater(pd, rec.areaRatio, rec.bladeCount);
    EXPECT_TRUE(rec.kt == 7.0f && rec.advanceRatio == 0.0f) << "type " << type;
  }
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

TEST(Formulas, TruncationAndSweepCounts) {
  EXPECT_EQ(truncToInt(3.9f), 3);
  EXPECT_EQ(truncToInt(-3.9f), -3);
  EXPECT_EQ(truncToInt(std::numeric_limits<float>::quiet_NaN()), std::numeric_limits<int>::min());
  EXPECT_EQ(truncToInt(1.0e20f), std::numeric_limits<int>::max());
  EXPECT_EQ(sweepPassCount(0.05f, 1.5f, 0.025f), 58);
  EXPECT_EQ(sweepPassCount(0.05f, 1.55f, 0.05f), 30);
  EXPECT_EQ(sweepPassCount(0.5f, 1.401f, 0.01f), 91);
  EXPECT_EQ(sweepPassCount(0.5f, 1.401f, 0.05f), 19);
  EXPECT_EQ(sweepPassCount(0.1f, 1.5f, 0.001f), 1400);
}

}  // namespace
}  // namespace helisolv
