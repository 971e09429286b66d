// The cavitation and loading criteria as a library user calls them: where a
// sigma lies against each Burrill line, the figures of a known design, and
// the pure table interpolation beside the one that prints.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

#include "helisolv/criteria.hpp"
#include "io/session.hpp"
#include "numeric/interpolate.hpp"

namespace helisolv {
namespace {

// The type 8 example (420 kN, D 4.6 m, 120 rpm, Va 6.2 m/s, 1025 kg/m3, B4-75,
// shaft depth 4.5 m, P/D found 1.069) prints Sigma .633, Tauc .179, minimum
// area ratios .724 (2.5 %), .589 (5 %), .637 (upper limit), Keller .346 and a
// tip speed of 28.903 m/s.
TEST(Criteria, FiguresOfTheBundledThrustExample) {
  const float va = 6.2f, rpm = 120.0f, d = 4.6f, rho = 1025.0f, depth = 4.5f, t = 420.0f;
  const float pd = 1.0688f;
  EXPECT_NEAR(sigma07R(va, rpm, d, depth, rho), 0.633f, 5e-4f);
  EXPECT_NEAR(tauC(t, va, rpm, d, pd, 0.75f, rho), 0.179f, 5e-4f);
  const BurrillReading b25 =
      burrillMinAreaRatio(BurrillCurve::BackCavitation2_5, t, va, rpm, d, pd, depth, rho);
  ASSERT_TRUE(b25.onChart());
  EXPECT_NEAR(b25.value, 0.724f, 1e-3f);
  EXPECT_NEAR(
      burrillMinAreaRatio(BurrillCurve::BackCavitation5, t, va, rpm, d, pd, depth, rho).value,
      0.589f, 1e-3f);
  EXPECT_NEAR(kellerMinAreaRatio(t, d, depth, 4.0f, rho), 0.346f, 5e-4f);
  EXPECT_NEAR(burrillMinAreaRatio(BurrillCurve::UpperLimit, t, va, rpm, d, pd, depth, rho).value,
              0.637f, 1e-3f);
  EXPECT_FLOAT_EQ(kellerMinAreaRatio(t, d, depth, 4.0f, rho, kKellerSingleScrew),
                  kellerMinAreaRatio(t, d, depth, 4.0f, rho) + 0.2f);
  EXPECT_NEAR(bladeTipSpeed(rpm, d), 28.903f, 5e-4f);
}

TEST(Criteria, OffTheChartIsAPositionNeverANumber) {
  struct Case {
    BurrillCurve line;
    float sigma;
    ChartPosition expected;
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const Case cases[] = {
      {BurrillCurve::BackCavitation2_5, 0.17f, ChartPosition::Below},
      {BurrillCurve::BackCavitation2_5, 0.18f, ChartPosition::On},
      {BurrillCurve::BackCavitation2_5, 1.5f, ChartPosition::On},
      {BurrillCurve::BackCavitation2_5, 1.51f, ChartPosition::Above},
      {BurrillCurve::BackCavitation5, 0.149f, ChartPosition::Below},
      {BurrillCurve::BackCavitation5, 0.15f, ChartPosition::On},
      {BurrillCurve::BackCavitation5, 2.0f, ChartPosition::Above},
      {BurrillCurve::BackCavitation5, nan, ChartPosition::Below},
      {BurrillCurve::UpperLimit, 0.01f, ChartPosition::On},
      {BurrillCurve::UpperLimit, 3.0f, ChartPosition::On},
  };
  for (const Case& c : cases) {
    const BurrillReading r = burrillLoading(c.line, c.sigma);
    EXPECT_EQ(r.position, c.expected) << static_cast<int>(c.line) << " at sigma " << c.sigma;
    if (!r.onChart()) {
      EXPECT_EQ(r.value, 0.0f);
    }
  }
  // An interior charted point reads back exactly; the upper limit is its cubic.
  EXPECT_EQ(burrillLoading(BurrillCurve::BackCavitation5, 0.3f).value, 0.135f);
  EXPECT_NEAR(burrillLoading(BurrillCurve::UpperLimit, 1.0f).value,
              0.0331f + 0.382f - 0.1968f + 0.056f, 1e-6f);
  EXPECT_EQ(burrillFirstSigma(BurrillCurve::BackCavitation5), 0.15f);
  EXPECT_EQ(burrillLastSigma(BurrillCurve::BackCavitation2_5), 1.5f);
}

TEST(Criteria, PureInterpolationIsThePrintingOneWithoutItsMessages) {
  const float xs[] = {0.0f, 0.1f, 0.4f, 0.5f, 0.9f};
  const float ys[] = {0.0f, 1.0f, 3.0f, 2.0f, 2.5f};
  std::istringstream in;
  std::ostringstream console, errors, result;
  Session io(Channels{&in, &console, &errors, &result, &in});
  for (float x : {0.1f, 0.25f, 0.45f, 0.9f, 0.05f, 1.0f}) {
    float printed = -7.0f;
    interpolate(io, 4, xs, ys, x, printed, 4);
    const auto pure = interpolateTable(4, xs, ys, x, 4);
    if (pure) {
      EXPECT_EQ(*pure, printed) << x;
    } else {
      EXPECT_EQ(printed, -7.0f) << x;
    }
  }
  EXPECT_FALSE(interpolateTable(4, xs, ys, 0.05f, 4));
  EXPECT_FALSE(interpolateTable(2, xs, ys, 0.2f, 2));  // too few points for a parabola
  EXPECT_NE(console.str().find("INTERPOLASYON BASARISIZ"), std::string::npos);
}

}  // namespace
}  // namespace helisolv
