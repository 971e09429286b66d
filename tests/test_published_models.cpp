// The two published models: the Gawn-Burrill regression against the check
// values printed with it (its curve against the point evaluator: the curve
// evaluator's tests), and the B-series Reynolds-number correction against a worked
// B4-55 example computed independently in double precision, its near-zero
// value at the base Reynolds number and its clamp to the fitted range.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "series/formulas.hpp"
#include "series/gawn_regression.hpp"
#include "series/reynolds_correction.hpp"

namespace {

using namespace helisolv;

std::string printed(const char* format, float x) {
  char text[32];
  std::snprintf(text, sizeof text, format, static_cast<double>(x));
  return text;
}

TEST(GawnRegression, MatchesPublishedCheckValues) {
  struct Check {
    float pd, ear, j;
    const char *kt, *tenKq, *eta0;
  };
  const Check checks[] = {
      {1.0f, 0.65f, 0.5f, "0.2816", "0.4351", "0.5149"},
      {1.0f, 0.65f, 0.8f, "0.1231", "0.2240", "0.6997"},
      {1.6f, 0.5f, 0.8f, "0.431", nullptr, nullptr},
  };
  for (const Check& c : checks) {
    SCOPED_TRACE(testing::Message() << "P/D " << c.pd << " AD/A0 " << c.ear << " J " << c.j);
    float kt = 0.0f;
    float kq = 0.0f;
    gawnRegression(c.j, c.pd, c.ear, kt, kq);
    const int decimals = static_cast<int>(std::string(c.kt).size()) - 2;
    EXPECT_EQ(printed(decimals == 3 ? "%.3f" : "%.4f", kt), c.kt);
    if (c.tenKq == nullptr) continue;
    EXPECT_EQ(printed("%.4f", 10.0f * kq), c.tenKq);
    EXPECT_EQ(printed("%.4f", openWaterEfficiency(kt, kq, c.j)), c.eta0);
  }
}

// B4-55, P/D 1.0, D 4 m at 200 rpm in fresh water (nu 1.13902e-6), Va = J n D.
// The expected Rn, dKt and dKq are the double-precision ones of the published
// formula; corrected, Kt 0.2657 and 0.1816, 10Kq 0.4076 and 0.2987.
TEST(BSeriesReynoldsCorrection, WorkedExampleB4_55) {
  struct Point {
    float j;
    double rn;
    const char *dKt, *dKq;
  };
  const Point points[] = {
      {0.5f, 3.2147354073e7, "4.6133e-04", "-1.0214e-03"},
      {0.7f, 3.2805544350e7, "8.2689e-04", "-1.0278e-03"},
  };
  const float n = revsPerSecond(200.0f);
  const float d = 4.0f;
  for (const Point& p : points) {
    SCOPED_TRACE(testing::Message() << "J " << p.j);
    const float va = p.j * n * d;
    const float rn = bSeriesReynoldsNumber(va, n, d, 0.55f, 4.0f, 1.13902e-6f);
    EXPECT_NEAR(static_cast<double>(rn), p.rn, p.rn * 1e-6);
    const ReynoldsCorrection c = bSeriesReynoldsCorrection(p.j, 1.0f, 0.55f, 4.0f, rn);
    EXPECT_FALSE(c.rnClamped);
    EXPECT_EQ(c.rn, rn);
    EXPECT_EQ(printed("%.4e", c.dKt), p.dKt);
    EXPECT_EQ(printed("%.4e", c.dKq), p.dKq);
  }
}

// The polynomials already hold at Rn = 2e6, so there the correction must be
// next to nothing for the usual propellers of the series.
TEST(BSeriesReynoldsCorrection, NearlyVanishesAtTheBaseReynoldsNumber) {
  const float propellers[][2] = {{3.0f, 0.5f}, {4.0f, 0.55f}, {4.0f, 0.7f}, {5.0f, 0.75f}};
  for (const auto& [z, ear] : propellers) {
    for (const float pd : {0.6f, 0.8f, 1.0f, 1.2f, 1.4f}) {
      for (const float j : {0.2f, 0.4f, 0.6f, 0.8f, 1.0f}) {
        if (j > pd) continue;
        const ReynoldsCorrection c = bSeriesReynoldsCorrection(j, pd, ear, z, 2.0e6f);
        EXPECT_FALSE(c.rnClamped);
        EXPECT_LT(std::fabs(c.dKt), 5e-4f) << z << " " << ear << " " << pd << " " << j;
        EXPECT_LT(std::fabs(c.dKq), 2e-4f) << z << " " << ear << " " << pd << " " << j;
      }
    }
  }
  const ReynoldsCorrection b455 = bSeriesReynoldsCorrection(0.5f, 1.0f, 0.55f, 4.0f, 2.0e6f);
  EXPECT_LT(std::fabs(b455.dKt), 3e-5f);
  EXPECT_LT(std::fabs(b455.dKq), 3e-6f);
}

TEST(BSeriesReynoldsCorrection, ClampsToTheFittedRange) {
  const auto at = [](float rn) { return bSeriesReynoldsCorrection(0.6f, 1.0f, 0.55f, 4.0f, rn); };
  for (const float end : {kBSeriesMinReynolds, kBSeriesMaxReynolds}) {
    const ReynoldsCorrection c = at(end);
    EXPECT_FALSE(c.rnClamped);
    EXPECT_EQ(c.rn, end);
  }
  for (const float below : {1.9e6f, 1.0e3f, 0.0f, -5.0e6f}) {
    const ReynoldsCorrection c = at(below);
    EXPECT_TRUE(c.rnClamped) << below;
    EXPECT_EQ(c.rn, kBSeriesMinReynolds);
    EXPECT_EQ(c.dKt, at(kBSeriesMinReynolds).dKt);
    EXPECT_EQ(c.dKq, at(kBSeriesMinReynolds).dKq);
  }
  for (const float above : {2.1e9f, 1.0e12f, std::numeric_limits<float>::infinity()}) {
    const ReynoldsCorrection c = at(above);
    EXPECT_TRUE(c.rnClamped) << above;
    EXPECT_EQ(c.rn, kBSeriesMaxReynolds);
    EXPECT_EQ(c.dKt, at(kBSeriesMaxReynolds).dKt);
    EXPECT_EQ(c.dKq, at(kBSeriesMaxReynolds).dKq);
  }
  // At full scale the x^2 terms make the correction several times its model value.
  EXPECT_GT(at(kBSeriesMaxReynolds).dKt, 5.0f * at(kBSeriesMinReynolds).dKt);
}

}  // namespace
