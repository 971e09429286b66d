// The pitch sweep of the thrust, power and torque problems, its range test and
// the design pitch taken from it. Whole runs are in tests/e2e/t8_*, t9_*, t10_*.

#include <gtest/gtest.h>

#include <initializer_list>
#include <limits>

#include "driver/record.hpp"
#include "problems/blade_area_checks.hpp"
#include "series/formulas.hpp"

namespace helisolv {
namespace {

// A four-bladed propeller of 4 m at 150 rpm; J set from the speed of advance.
void setPropeller(int series, float advanceSpeed) {
  rec = ProblemRecord{};
  rec.seriesType = series;
  rec.pdMin = 0.5f;
  rec.pdMax = series == 1 ? 1.401f : 2.001f;
  rec.diameter = 4.0f;
  rec.rpm = 150.0f;
  rec.advanceSpeed = advanceSpeed;
  rec.rho = 1025.0f;
  rec.bladeCount = 4.0f;
  rec.areaRatio = 0.55f;
  rec.advanceRatio = advanceCoefficient(advanceSpeed, revsPerSecond(rec.rpm), rec.diameter);
}

PitchSweep table(std::initializer_list<float> pitches, std::initializer_list<float> values) {
  PitchSweep s;
  for (float p : pitches) s.pitch[++s.count] = p;
  int i = 0;
  for (float v : values) s.value[++i] = v;
  return s;
}

TEST(PitchSweepTest, StepsOfOneTenthOverEachSeriesRange) {
  // At a low J every pitch gives thrust: 10 rows to 1.4 for the Wageningen
  // series, 16 rows to 2.0 for the Gawn series, thrust rising with pitch.
  for (int series : {1, 2}) {
    setPropeller(series, 2.0f);
    PitchSweep s;
    sweepPitch(Requirement::Thrust, s);
    ASSERT_EQ(s.count, series == 1 ? 10 : 16);
    for (int i = 1; i <= s.count; ++i) {
      EXPECT_NEAR(s.pitch[i], 0.5f + 0.1f * static_cast<float>(i - 1), 1e-5f);
      if (i > 1) {
        EXPECT_GT(s.value[i], s.value[i - 1]);
      }
    }
  }
}

TEST(PitchSweepTest, PitchesWithoutThrustGetNoRow) {
  // At J = 0.6 the pitch ratio 0.5 gives a negative Kt: the table starts at 0.6.
  setPropeller(1, 6.0f);
  rec.viscousFlag = 1;
  PitchSweep s;
  sweepPitch(Requirement::Thrust, s);
  ASSERT_EQ(s.count, 9);
  EXPECT_NEAR(s.pitch[1], 0.6f, 1e-5f);
  EXPECT_NEAR(s.value[1] / 1000.0f, 55.68f, 0.005f);
}

TEST(PitchSweepTest, PowerIsTorqueTimesShaftSpeed) {
  setPropeller(1, 6.0f);
  PitchSweep power, torque;
  sweepPitch(Requirement::Power, power);
  sweepPitch(Requirement::Torque, torque);
  ASSERT_EQ(power.count, torque.count);
  const float n = revsPerSecond(rec.rpm);
  for (int i = 1; i <= power.count; ++i)
    EXPECT_NEAR(power.value[i], torque.value[i] * n * 6.28318f, 1e-4f * power.value[i]);
}

TEST(RequirementRangeTest, EndsAreInRangeAndEverythingElseIsNot) {
  const PitchSweep s = table({0.6f, 0.7f, 0.8f}, {10.0f, 20.0f, 30.0f});
  EXPECT_TRUE(requirementInRange(s, 10.0f));
  EXPECT_TRUE(requirementInRange(s, 30.0f));
  EXPECT_TRUE(requirementInRange(s, 25.0f));
  EXPECT_FALSE(requirementInRange(s, 9.99f));
  EXPECT_FALSE(requirementInRange(s, 30.01f));
  EXPECT_FALSE(requirementInRange(PitchSweep{}, 0.0f));
  // A table spoilt by an overflow never counts as meeting the requirement.
  const PitchSweep broken = table({0.6f, 0.7f}, {std::numeric_limits<float>::quiet_NaN(), 20.0f});
  EXPECT_FALSE(requirementInRange(broken, 15.0f));
}

TEST(DesignPitchTest, RootOnTheTableAndAtItsEnds) {
  const PitchSweep s = table({0.5f, 0.6f, 0.7f, 0.8f}, {100.0f, 200.0f, 300.0f, 400.0f});
  EXPECT_NEAR(pitchForRequirement(s, 250.0f), 0.65f, 1e-4f);
  EXPECT_FLOAT_EQ(pitchForRequirement(s, 100.0f), 0.5f);
  EXPECT_NEAR(pitchForRequirement(s, 400.0f), 0.8f, 1e-5f);
}

TEST(DesignPitchTest, SingleRowIsItsOwnDesign) {
  const PitchSweep s = table({1.4f}, {657332.0f});
  ASSERT_TRUE(requirementInRange(s, 657332.0f));
  EXPECT_FLOAT_EQ(pitchForRequirement(s, 657332.0f), 1.4f);
}

TEST(DesignPitchTest, RealThrustTableMeetsItsRequirement) {
  // 300 kN at J = 0.6 needs P/D 0.909, as the recorded run of this propeller shows.
  setPropeller(1, 6.0f);
  rec.viscousFlag = 1;
  PitchSweep s;
  sweepPitch(Requirement::Thrust, s);
  const float pd = pitchForRequirement(s, 300000.0f);
  EXPECT_NEAR(pd, 0.909f, 0.0005f);
}

}  // namespace
}  // namespace helisolv
