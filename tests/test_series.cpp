// The open-water model of both series: reference points, the J clamp, the
// term order of the sums, the ITTC78 correction and its preparation, the Gawn
// blade-count rule, the dispatch, and the selection of the best table row.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "driver/record.hpp"
#include "series/formulas.hpp"
#include "series/series.hpp"
#include "series/series_tables.hpp"

namespace helisolv {
namespace {

// A fresh record for the given series; no correction unless a test asks.
void startRecord(int seriesType) {
  rec = ProblemRecord{};
  rec.seriesType = seriesType;
}

// One polynomial evaluated the long way: every term C * J^s * (P/D)^t * EAR^u
// * Z^v with its powers by intPow, summed in table order. The evaluator forms
// the powers once per call; both must give the same bits.
template <std::size_t N>
float termByTermSum(const std::array<float, N>& coefficients,
                    const std::array<series_tables::Exponents, N>& exponents, float j, float pd,
                    float ear, float z) {
  float sum = 0.0f;
  for (std::size_t i = 0; i < N; ++i) {
    const auto& e = exponents[i];
    sum = sum +
          coefficients[i] * intPow(j, e.s) * intPow(pd, e.t) * intPow(ear, e.u) * intPow(z, e.v);
  }
  return sum;
}

TEST(Wageningen, ReferencePointsWithoutCorrection) {
  startRecord(1);
  float pd = 1.0f, ear = 0.55f, z = 4.0f;

  rec.advanceRatio = 0.5f;
  evalWageningen(pd, ear, z);
  EXPECT_NEAR(rec.kt, 0.2652f, 0.00005f);
  EXPECT_NEAR(rec.kq, 0.04178f, 0.000005f);
  EXPECT_NEAR(10.0f * rec.kq, 0.4178f, 0.00005f);
  EXPECT_NEAR(rec.eta0, 0.5052f, 0.00005f);

  rec.advanceRatio = 0.7f;
  evalWageningen(pd, ear, z);
  EXPECT_NEAR(rec.kt, 0.1807f, 0.00005f);
  EXPECT_NEAR(rec.kq, 0.03090f, 0.000005f);
  EXPECT_NEAR(rec.eta0, 0.6516f, 0.00005f);

  // The arguments are read, never written.
  EXPECT_EQ(pd, 1.0f);
  EXPECT_EQ(ear, 0.55f);
  EXPECT_EQ(z, 4.0f);
}

TEST(Wageningen, SmallAdvanceIsClampedAndWrittenBack) {
  startRecord(1);
  float pd = 1.0f, ear = 0.55f, z = 4.0f;
  rec.advanceRatio = 0.0f;
  evalWageningen(pd, ear, z);
  EXPECT_EQ(rec.advanceRatio, 0.001f);
  EXPECT_NEAR(rec.kt, 0.4240f, 0.00005f);
  EXPECT_NEAR(rec.kq, 0.06126f, 0.000005f);
  EXPECT_EQ(rec.eta0, openWaterEfficiency(rec.kt, rec.kq, 0.001f));

  rec.advanceRatio = -0.0005f;
  evalWageningen(pd, ear, z);
  EXPECT_EQ(rec.advanceRatio, 0.001f);

  // A clearly negative J is evaluated as it is, odd powers keeping its sign.
  rec.advanceRatio = -0.5f;
  evalWageningen(pd, ear, z);
  EXPECT_EQ(rec.advanceRatio, -0.5f);
  EXPECT_EQ(rec.kt, termByTermSum(series_tables::wageningenKt, series_tables::ktExponents, -0.5f,
                                  pd, ear, z));
}

TEST(Wageningen, SumsMatchTheTermByTermEvaluationBitForBit) {
  startRecord(1);
  const float pds[] = {0.5f, 0.83f, 1.0f, 1.218f, 1.4f};
  const float ears[] = {0.3f, 0.465f, 0.55f, 1.05f};
  const float zs[] = {2.0f, 3.0f, 4.0f, 5.5f, 7.0f};
  for (float pd : pds)
    for (float ear : ears)
      for (float z : zs)
        for (float j = 0.05f; j < 1.5f; j = j + 0.0625f) {
          rec.advanceRatio = j;
          evalWageningen(pd, ear, z);
          const float kt =
              termByTermSum(series_tables::wageningenKt, series_tables::ktExponents, j, pd, ear, z);
          const float kq =
              termByTermSum(series_tables::wageningenKq, series_tables::kqExponents, j, pd, ear, z);
          ASSERT_EQ(rec.kt, kt) << "J " << j << " P/D " << pd << " EAR " << ear << " Z " << z;
          ASSERT_EQ(rec.kq, kq) << "J " << j << " P/D " << pd << " EAR " << ear << " Z " << z;
          ASSERT_EQ(rec.eta0, (kt / kq) * j / 6.2831855f);
        }
}

TEST(Wageningen, ZeroAreaAndBladesLeaveOnlyTheTermsWithoutThem) {
  startRecord(1);
  float pd = 1.1f, ear = 0.0f, z = 0.0f;
  rec.advanceRatio = 0.4f;
  evalWageningen(pd, ear, z);
  const auto& c = series_tables::wageningenKt;
  const float j = 0.4f;
  float expected = 0.0f;
  expected = expected + c[0];
  expected = expected + c[1] * j;
  expected = expected + c[2] * pd;
  expected = expected + c[3] * (pd * pd);
  expected = expected + c[13] * (pd * pd * pd);
  expected = expected + c[14] * (pd * pd * pd * pd * pd * pd);
  expected = expected + c[15] * (j * j) * (pd * pd * pd * pd * pd * pd);
  EXPECT_EQ(rec.kt, expected);
}

// The ITTC78 inputs for Dc = 4, EAR 0.55, Z 4, P/D 1 as evalWageningen prepares them.
TEST(Ittc78, ReferenceCorrectionForFourMetres) {
  float dc = 4.0f, pd = 1.0f, nR = 10.0f, nu = 1.13902e-6f;
  int zi = 4;
  const float chord = 0.55f * dc * 2.073f / 4.0f;
  float tc = (0.0185f - 0.00125f * 4.0f) * dc / chord;
  float cd = chord / dc;
  float s = 0.24f / dc;
  EXPECT_NEAR(chord, 1.14015f, 0.000005f);
  EXPECT_NEAR(tc, 0.04736f, 0.000005f);
  EXPECT_NEAR(cd, 0.28504f, 0.000005f);
  EXPECT_NEAR(s, 0.06f, 1e-7f);
  float dKt = 0.0f, dKq = 0.0f;
  ittc78Correction(dc, pd, zi, tc, cd, s, nR, nu, dKt, dKq);
  EXPECT_NEAR(dKt, -0.002080f, 0.0000005f);
  EXPECT_NEAR(dKq, 0.001842f, 0.0000005f);

  // Evaluated through the series with the correction asked for: Kt rises by
  // 0.00208, Kq falls by 0.00184, and eta0 follows the corrected values.
  startRecord(1);
  float ear = 0.55f, z = 4.0f;
  rec.advanceRatio = 0.5f;
  evalWageningen(pd, ear, z);
  const float kt = rec.kt, kq = rec.kq;
  rec.viscousFlag = 1;
  rec.diameter = 4.0f;
  rec.rpm = 120.0f;
  evalWageningen(pd, ear, z);
  EXPECT_EQ(rec.kt, kt - dKt);
  EXPECT_EQ(rec.kq, kq - dKq);
  EXPECT_EQ(rec.eta0, openWaterEfficiency(rec.kt, rec.kq, 0.5f));
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
  EXPECT_EQ(rec.kt, plainKt) << "both below 0.001: no correction";

  rec.advanceSpeed = 0.001f;
  evalWageningen(pd, ear, z);
  EXPECT_NE(rec.kt, plainKt) << "speed reaches 0.001";

  rec.advanceSpeed = 0.0f;
  rec.rpm = 0.001f;
  evalWageningen(pd, ear, z);
  EXPECT_NE(rec.kt, plainKt) << "revolutions reach 0.001";
}

// The correction that evalWageningen should apply, prepared here by hand.
void expectCorrection(float dc, float pd, float ear, float z, int zi, float chordFactor) {
  const float chord = ear * dc * chordFactor / z;
  float tc = (0.0185f - 0.00125f * z) * dc / chord;
  float cd = chord / dc;
  float s = 0.24f / dc, nR = 10.0f, nu = 1.13902e-6f, dKt = 0.0f, dKq = 0.0f;
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
}

TEST(Ittc78, ChordConstantFollowsTheTruncatedBladeCount) {
  startRecord(1);
  rec.viscousFlag = 1;
  rec.diameter = 2.5f;
  rec.rpm = 300.0f;
  rec.advanceRatio = 0.55f;
  {
    SCOPED_TRACE("Z 3.0: three-bladed chord");
    expectCorrection(2.5f, 0.9f, 0.5f, 3.0f, 3, 2.1475f);
  }
  {
    SCOPED_TRACE("Z 3.9 truncates to 3: chord by 3.9, correction times 3");
    expectCorrection(2.5f, 0.9f, 0.5f, 3.9f, 3, 2.1475f);
  }
  {
    SCOPED_TRACE("Z 4.0");
    expectCorrection(2.5f, 0.9f, 0.5f, 4.0f, 4, 2.073f);
  }
}

TEST(Ittc78, DiameterFromSpeedRevolutionsAndAdvanceWhenNoneIsGiven) {
  startRecord(1);
  rec.viscousFlag = 1;
  rec.diameter = 0.0f;
  rec.advanceSpeed = 6.0f;
  rec.rpm = 150.0f;
  rec.advanceRatio = 0.8f;
  expectCorrection(6.0f / ((150.0f / 60.0f) * 0.8f), 1.2f, 0.7f, 5.0f, 5, 2.073f);
}

TEST(Ittc78, InputsOutsideTheSeriesGiveUnprintableValuesNotACrash) {
  startRecord(1);
  rec.viscousFlag = 1;
  float pd = 1.0f, ear = 0.0f, z = 4.0f;
  rec.diameter = 0.0f;
  rec.advanceSpeed = 5.0f;
  rec.rpm = 0.0f;  // the fallback diameter divides by zero
  rec.advanceRatio = 0.5f;
  evalWageningen(pd, ear, z);
  EXPECT_FALSE(std::isfinite(rec.kt) && std::isfinite(rec.kq) && std::isfinite(rec.eta0));

  float hugeBlades = 1.0e30f;
  rec.diameter = 3.0f;
  rec.rpm = 100.0f;
  evalWageningen(pd, ear, hugeBlades);
  float nanBlades = std::numeric_limits<float>::quiet_NaN();
  evalWageningen(pd, ear, nanBlades);
  EXPECT_TRUE(std::isnan(rec.kt));
}

TEST(Gawn, ReferencePointAndThreeBlades) {
  startRecord(2);
  float pd = 1.0f, ear = 0.55f, z = 3.0f;
  rec.advanceRatio = 0.5f;
  evalGawn(pd, ear, z);
  EXPECT_NEAR(rec.kt, 0.2678f, 0.00005f);
  EXPECT_NEAR(rec.kq, 0.04166f, 0.000005f);
  EXPECT_NEAR(rec.eta0, 0.5116f, 0.00005f);
  EXPECT_EQ(rec.kt,
            termByTermSum(series_tables::gawnKt, series_tables::ktExponents, 0.5f, pd, ear, 3.0f));
  EXPECT_EQ(rec.kq,
            termByTermSum(series_tables::gawnKq, series_tables::kqExponents, 0.5f, pd, ear, 3.0f));
}

TEST(Gawn, BladeCountRuleWritesBackIntoTheRecord) {
  startRecord(2);
  float pd = 1.0f;
  rec.areaRatio = 0.55f;
  rec.bladeCount = 4.0f;
  rec.advanceRatio = 0.5f;
  evalOpenWater(pd, rec.areaRatio, rec.bladeCount);
  EXPECT_EQ(rec.bladeCount, 3.0f);
  const float kt = rec.kt;

  rec.bladeCount = 3.005f;
  evalOpenWater(pd, rec.areaRatio, rec.bladeCount);
  EXPECT_EQ(rec.bladeCount, 3.005f) << "within 0.01 of 3: used as given";
  EXPECT_NE(rec.kt, kt);
  EXPECT_EQ(rec.kt, termByTermSum(series_tables::gawnKt, series_tables::ktExponents, 0.5f, pd,
                                  0.55f, 3.005f));
}

TEST(Gawn, NeverCorrectedAndClampedLikeWageningen) {
  startRecord(2);
  float pd = 1.3f, ear = 0.8f, z = 3.0f;
  rec.advanceRatio = 0.45f;
  evalGawn(pd, ear, z);
  const float kt = rec.kt, kq = rec.kq, eta0 = rec.eta0;
  rec.viscousFlag = 1;
  rec.diameter = 3.0f;
  rec.rpm = 200.0f;
  rec.advanceSpeed = 5.0f;
  evalGawn(pd, ear, z);
  EXPECT_EQ(rec.kt, kt);
  EXPECT_EQ(rec.kq, kq);
  EXPECT_EQ(rec.eta0, eta0);

  rec.advanceRatio = 0.0f;
  evalGawn(pd, ear, z);
  EXPECT_EQ(rec.advanceRatio, 0.001f);
}

TEST(OpenWater, DispatchesBySeriesTypeOnly) {
  float pd = 1.0f, ear = 0.55f, z = 4.0f;
  startRecord(1);
  rec.advanceRatio = 0.5f;
  evalOpenWater(pd, ear, z);
  const float wageningenKt = rec.kt;
  EXPECT_EQ(z, 4.0f);

  startRecord(2);
  rec.advanceRatio = 0.5f;
  evalOpenWater(pd, ear, z);
  EXPECT_EQ(z, 3.0f);
  EXPECT_NE(rec.kt, wageningenKt);

  for (int type : {0, 3, -1}) {
    startRecord(type);
    rec.kt = 7.0f;
    rec.kq = 8.0f;
    rec.eta0 = 9.0f;
    rec.advanceRatio = 0.0f;
    evalOpenWater(pd, ear, z);
    EXPECT_EQ(rec.kt, 7.0f);
    EXPECT_EQ(rec.kq, 8.0f);
    EXPECT_EQ(rec.eta0, 9.0f);
    EXPECT_EQ(rec.advanceRatio, 0.0f) << "no evaluation, no clamp";
  }
}

TEST(FindMaxIndex, ComparesAtOneThousandthAndKeepsTheEarlierRow) {
  int index = 0;
  const float sameThousandth[] = {0.0f, 0.6512f, 0.6518f, 0.6519f};
  findMaxIndex(3, sameThousandth, index);
  EXPECT_EQ(index, 1);

  const float laterEqual[] = {0.0f, 0.650f, 0.652f, 0.652f};
  findMaxIndex(3, laterEqual, index);
  EXPECT_EQ(index, 2);

  const float rising[] = {0.0f, 0.40f, 0.55f, 0.61f, 0.58f};
  findMaxIndex(4, rising, index);
  EXPECT_EQ(index, 3);

  const float one[] = {0.0f, 0.2f};
  index = 0;
  findMaxIndex(1, one, index);
  EXPECT_EQ(index, 1);
  index = 0;
  findMaxIndex(0, one, index);
  EXPECT_EQ(index, 1);
}

TEST(FindMaxIndex, UnprintableEfficienciesAreNeverTheBest) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  int index = 0;
  const float nanFirst[] = {0.0f, nan, 0.3f, nan, 0.2f};
  findMaxIndex(4, nanFirst, index);
  EXPECT_EQ(index, 2);

  // Efficiencies beyond the integer range saturate instead of wrapping.
  const float huge[] = {0.0f, 0.5f, 3.0e9f, inf, -inf};
  findMaxIndex(4, huge, index);
  EXPECT_EQ(index, 2);
}

TEST(Formulas, TruncationAndSweepCounts) {
  EXPECT_EQ(truncToInt(3.9f), 3);
  EXPECT_EQ(truncToInt(-3.9f), -3);
  EXPECT_EQ(truncToInt(std::numeric_limits<float>::quiet_NaN()), std::numeric_limits<int>::min());
  EXPECT_EQ(truncToInt(1.0e20f), std::numeric_limits<int>::max());
  EXPECT_EQ(truncToInt(-1.0e20f), std::numeric_limits<int>::min());
  EXPECT_EQ(sweepPassCount(0.05f, 1.5f, 0.025f), 58);
  EXPECT_EQ(sweepPassCount(0.05f, 1.55f, 0.05f), 30);
  EXPECT_EQ(sweepPassCount(0.5f, 1.401f, 0.01f), 91);
  EXPECT_EQ(sweepPassCount(0.5f, 1.401f, 0.1f), 10);
  EXPECT_EQ(sweepPassCount(0.5f, 1.401f, 0.05f), 19);
  EXPECT_EQ(sweepPassCount(0.1f, 1.5f, 0.001f), 1400);
}

TEST(Formulas, DeltaRoundTripKeepsTheTwoConstants) {
  const float given = 200.0f;
  const float j = advanceFromDelta(given);
  EXPECT_NEAR(deltaFromAdvance(j) / given, 101.2658f / 101.2685f, 1e-6f);
}

}  // namespace
}  // namespace helisolv
