// The cavitation and loading criteria as a library user calls them: where a
// sigma lies against each Burrill line, the figures of a known design, and
// the pure table interpolation beside the one that prints.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <sstream>
#include <vector>

#include "criteria/burrill_chart.hpp"
#include "criteria/criteria_arrays.hpp"
#include "helisolv/criteria.hpp"
#include "io/session.hpp"
#include "numeric/interpolate.hpp"
#include "problems/table_search.hpp"

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

// Burrill's lines are read from their first to their last sigma inclusive;
// below and above them (a NaN below) a sigma gives a position, never a number.
// The upper limit, a cubic, holds everywhere.
TEST(Criteria, OffTheChartIsAPositionNeverANumber) {
  const auto below = [](float x) { return std::nextafter(x, 0.0f); };
  const auto above = [](float x) { return std::nextafter(x, 2.0f); };
  const BurrillCurve k25 = BurrillCurve::BackCavitation2_5, k5 = BurrillCurve::BackCavitation5;
  const struct {
    BurrillCurve line;
    float sigma;
    ChartPosition expected;
  } cases[] = {
      {k25, below(0.18f), ChartPosition::Below},
      {k25, 0.18f, ChartPosition::On},
      {k25, 1.5f, ChartPosition::On},
      {k25, above(1.5f), ChartPosition::Above},
      {k5, below(0.15f), ChartPosition::Below},
      {k5, 0.15f, ChartPosition::On},
      {k5, 1.5f, ChartPosition::On},
      {k5, above(1.5f), ChartPosition::Above},
      {k5, NAN, ChartPosition::Below},
      {k25, NAN, ChartPosition::Below},
      {BurrillCurve::UpperLimit, 0.01f, ChartPosition::On},
      {BurrillCurve::UpperLimit, 3.0f, ChartPosition::On},
  };
  for (const auto& c : cases) {
    const BurrillReading r = burrillLoading(c.line, c.sigma);
    EXPECT_EQ(r.position, c.expected) << static_cast<int>(c.line) << " at sigma " << c.sigma;
    if (!r.onChart()) {
      EXPECT_EQ(r.value, 0.0f);
    }
  }
  EXPECT_EQ(burrillFirstSigma(k25), 0.18f);
  EXPECT_EQ(burrillFirstSigma(k5), 0.15f);
  EXPECT_EQ(burrillLastSigma(k25), 1.5f);
  EXPECT_EQ(burrillLastSigma(k5), 1.5f);
  // An interior charted point reads back exactly; the upper limit is its cubic.
  EXPECT_EQ(burrillLoading(k5, 0.3f).value, 0.135f);
  EXPECT_NEAR(burrillLoading(BurrillCurve::UpperLimit, 1.0f).value,
              0.0331f + 0.382f - 0.1968f + 0.056f, 1e-6f);
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

std::uint32_t bitsOf(float x) {
  std::uint32_t b = 0;
  std::memcpy(&b, &x, sizeof b);
  return b;
}

// The charted lines are read by parabolas fitted once: every sigma gives the
// bits of the table interpolation the program's other tables are read with,
// at each charted point, between them, at their ends and off the chart.
TEST(Criteria, ChartedLinesReadAsTheTableInterpolationDoes) {
  struct Line {
    BurrillCurve curve;
    int points;
    const float* sigma;
    const float* tau;
  };
  const Line lines[] = {
      {BurrillCurve::BackCavitation2_5, burrill::k25Points, burrill::k25Sigma, burrill::k25Tau},
      {BurrillCurve::BackCavitation5, burrill::k50Points, burrill::k50Sigma, burrill::k50Tau}};
  for (const Line& line : lines) {
    std::vector<float> sigmas{std::nanf(""), -std::numeric_limits<float>::infinity(),
                              std::numeric_limits<float>::infinity()};
    for (int i = 1; i <= line.points; ++i) {
      sigmas.push_back(line.sigma[i]);
      sigmas.push_back(std::nextafter(line.sigma[i], 0.0f));
      sigmas.push_back(std::nextafter(line.sigma[i], 2.0f));
    }
    for (float s = 0.1f; s < 1.6f; s = s + 0.0007f) sigmas.push_back(s);
    for (const float s : sigmas) {
      const BurrillReading r = burrillLoading(line.curve, s);
      const auto table = interpolateTable(line.points, line.sigma, line.tau, s, line.points);
      ASSERT_EQ(r.onChart(), table.has_value()) << s;
      if (table) {
        EXPECT_EQ(bitsOf(r.value), bitsOf(*table)) << s;
      }
    }
  }
}

// Over arrays, each point gives the bits and the chart position of the point
// alone: every line, arguments contiguous, repeated and strided, counts that
// leave points beyond whole lane blocks, sigmas on and off the chart.
TEST(Criteria, MinimumAreaRatiosOverArraysAreEachPointsOwn) {
  std::vector<float> speed, revolutions, strided;
  for (int i = 0; i < 203; ++i) {
    speed.push_back(0.5f + 0.07f * static_cast<float>(i));
    revolutions.push_back(40.0f + 1.5f * static_cast<float>(i));
    strided.push_back(0.9f + 0.002f * static_cast<float>(i));
    strided.push_back(-1.0f);  // between the strided values, never read
  }
  const float thrust = 420.0f, diameter = 4.6f, depth = 4.5f, density = 1025.0f;
  for (const BurrillCurve line :
       {BurrillCurve::BackCavitation2_5, BurrillCurve::BackCavitation5, BurrillCurve::UpperLimit})
    for (const std::size_t count : {std::size_t{0}, std::size_t{3}, std::size_t{203}}) {
      const BurrillArguments args{{{&thrust, 0},
                                   {speed.data(), 1},
                                   {revolutions.data(), 1},
                                   {&diameter, 0},
                                   {strided.data(), 2},
                                   {&depth, 0},
                                   {&density, 0}}};
      std::vector<float> value(count, -5.0f);
      std::vector<char> off(count, 2);
      burrillMinAreaRatios(line, args, count, value.data(), reinterpret_cast<bool*>(off.data()));
      int offCount = 0;
      for (std::size_t i = 0; i < count; ++i) {
        const BurrillReading r = burrillMinAreaRatio(line, thrust, speed[i], revolutions[i],
                                                     diameter, strided[2 * i], depth, density);
        EXPECT_EQ(bitsOf(value[i]), bitsOf(r.value)) << i;
        EXPECT_EQ(off[i] != 0, !r.onChart()) << i;
        offCount += r.onChart() ? 0 : 1;
      }
      if (count == 203 && line != BurrillCurve::UpperLimit) {
        EXPECT_GT(offCount, 0);
      }
    }
}

}  // namespace
}  // namespace helisolv
