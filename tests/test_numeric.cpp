// Table interpolation and the spline root search: the values they return, the
// console messages for points outside a table, and tables that no solver
// should pass but that must not crash or loop.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <vector>

#include "io/channels.hpp"
#include "numeric/interpolate.hpp"
#include "numeric/spline.hpp"

namespace helisolv {
namespace {

// Captures the console and the result file of one test.
class NumericToolkit : public ::testing::Test {
 protected:
  void SetUp() override { useChannels({&keyboard_, &console_, &errors_, &result_, &task_}); }
  std::string console() const { return console_.str(); }
  std::string result() const { return result_.str(); }

 private:
  std::istringstream keyboard_, task_;
  std::ostringstream console_, errors_, result_;
};

const std::string outsideMessages(const char* first, const char* x, const char* last) {
  return std::string(" **** INTERPOLANT ARALIGIN DISINDA ****\r\nX(1)=") + first + "\r\nX   =" + x +
         "\r\nX(N)=" + last + "\r\n **** INTERPOLASYON BASARISIZ ****";
}

TEST_F(NumericToolkit, InterpolateReproducesAParabolaAndTheTableEnds) {
  const float xs[] = {0.0f, 0.0f, 1.0f, 2.0f};
  const float ys[] = {0.0f, 0.0f, 1.0f, 4.0f};
  float y = -1.0f;
  interpolate(3, xs, ys, 1.5f, y, 3);
  EXPECT_FLOAT_EQ(y, 2.25f);
  interpolate(3, xs, ys, 0.5f, y, 3);
  EXPECT_FLOAT_EQ(y, 0.25f);
  interpolate(3, xs, ys, 0.0f, y, 3);
  EXPECT_FLOAT_EQ(y, 0.0f);
  interpolate(3, xs, ys, 2.0f, y, 3);
  EXPECT_FLOAT_EQ(y, 4.0f);
  EXPECT_EQ(console(), "");
}

TEST_F(NumericToolkit, InterpolateUsesTheThreePointsAroundTheInterval) {
  // y = x^2 on 1..3, then a jump: the interval [3, 4] is fitted through
  // points 2, 3, 4, the interval [1, 2] through points 1, 2, 3.
  const float xs[] = {0.0f, 1.0f, 2.0f, 3.0f, 4.0f};
  const float ys[] = {0.0f, 1.0f, 4.0f, 9.0f, 30.0f};
  float y = 0.0f;
  interpolate(4, xs, ys, 1.5f, y, 100);
  EXPECT_FLOAT_EQ(y, 2.25f);
  interpolate(4, xs, ys, 2.5f, y, 100);
  EXPECT_FLOAT_EQ(y, 6.25f) << "interior interval [2, 3]: points 1, 2, 3";
  // Through (2, 4), (3, 9), (4, 30): y = 4 + 5h + 8h(h-1) with h = x - 2.
  interpolate(4, xs, ys, 3.5f, y, 100);
  EXPECT_FLOAT_EQ(y, 4.0f + 5.0f * 1.5f + 8.0f * 1.5f * 0.5f);
}

TEST_F(NumericToolkit, InterpolateReturnsAFlatStretchWithoutFitting) {
  const float xs[] = {0.0f, 1.0f, 2.0f, 3.0f, 4.0f};
  const float ys[] = {0.0f, 1.0f, 2.0f, 2.0f, 5.0f};
  float y = 0.0f;
  interpolate(4, xs, ys, 2.5f, y, 8);
  EXPECT_EQ(y, 2.0f);
  // At the interior abscissa 3 the later interval [3, 4] is the one taken:
  // not flat, and the parabola through points 2, 3, 4 passes through (3, 2).
  interpolate(4, xs, ys, 3.0f, y, 8);
  EXPECT_FLOAT_EQ(y, 2.0f);
}

TEST_F(NumericToolkit, InterpolateGuardsCoincidentAbscissas) {
  // Points 1 and 2 share their abscissa: both divisors vanish, the
  // coefficients are dropped and the middle ordinate is returned.
  const float xs[] = {0.0f, 0.0f, 0.0f, 1.0f};
  const float ys[] = {0.0f, 0.0f, 1.0f, 2.0f};
  float y = -1.0f;
  interpolate(3, xs, ys, 0.5f, y, 7);
  EXPECT_EQ(y, 1.0f);
}

TEST_F(NumericToolkit, InterpolateOutsideTheTableWritesThreeMessagesToTheConsoleOnly) {
  const float xs[] = {0.0f, 0.5f, 0.75f, 1.0f};
  const float ys[] = {0.0f, 3.0f, 4.0f, 6.0f};
  float y = 42.0f;
  interpolate(3, xs, ys, 1.0000001f, y, 100);
  EXPECT_EQ(y, 42.0f);
  EXPECT_EQ(console(), outsideMessages("    .500000000000000", "   1.000000000000000",
                                       "   1.000000000000000"));
  EXPECT_EQ(result(), "");
}

TEST_F(NumericToolkit, InterpolateRefusesShortTablesAndNaN) {
  const float xs[] = {0.0f, 1.0f, 2.0f};
  const float ys[] = {0.0f, 5.0f, 6.0f};
  float y = 42.0f;
  interpolate(2, xs, ys, 1.5f, y, 100);
  EXPECT_EQ(y, 42.0f);
  EXPECT_EQ(console(), outsideMessages("   1.000000000000000", "   1.500000000000000",
                                       "   2.000000000000000"));

  const float xs3[] = {0.0f, 1.0f, 2.0f, 3.0f};
  const float ys3[] = {0.0f, 5.0f, 6.0f, 9.0f};
  interpolate(3, xs3, ys3, std::numeric_limits<float>::quiet_NaN(), y, 100);
  EXPECT_EQ(y, 42.0f);
}

// Abscissas 1 .. n and ordinates f(x) in 1-based arrays.
struct Table {
  std::vector<float> xs, ys;
  template <class F>
  Table(int n, F f, float first = 1.0f, float step = 1.0f) : xs(n + 1), ys(n + 1) {
    float x = first;
    for (int i = 1; i <= n; ++i, x = x + step) {
      xs[i] = x;
      ys[i] = f(x);
    }
  }
  int count() const { return static_cast<int>(xs.size()) - 1; }
};

// Spline through the table; returns its value at x.
float splineAt(const Table& t, float x) {
  const int n = t.count();
  std::vector<float> c(static_cast<std::size_t>(4 * n));
  for (int i = 1; i <= n; ++i) c[static_cast<std::size_t>((i - 1) * 4)] = t.ys[i];
  splineCoefficients(t.xs.data(), c.data(), n, n);
  float value = std::numeric_limits<float>::quiet_NaN();
  int found = 0;
  splineValue(n, x, value, t.xs.data(), c.data(), found, n);
  EXPECT_EQ(found, 1);
  return value;
}

TEST_F(NumericToolkit, SplineIsTheLineTheParabolaOrTheCubicThroughThePoints) {
  const Table line(2, [](float x) { return 3.0f * x - 1.0f; });
  EXPECT_NEAR(splineAt(line, 1.25f), 2.75f, 1e-6f);
  const Table parabola(3, [](float x) { return x * x - x; });
  EXPECT_NEAR(splineAt(parabola, 2.5f), 3.75f, 1e-5f);
  // Not-a-knot ends reproduce a cubic exactly.
  const Table cubic(8, [](float x) { return x * x * x - 6.0f * x * x + 2.0f; });
  for (float x : {1.0f, 1.3f, 2.5f, 4.75f, 7.9f, 8.0f})
    EXPECT_NEAR(splineAt(cubic, x), x * x * x - 6.0f * x * x + 2.0f, 2e-4f) << "x " << x;
}

TEST_F(NumericToolkit, LocateIntervalTakesEndsWithinRoundingAndRejectsOutsidePoints) {
  const float xs[] = {0.0f, 0.5f, 0.6f, 0.7f, 0.8f};
  int index = 0, found = 0;
  locateInterval(xs, 0.6f, 4, index, found, 10000);
  EXPECT_EQ(index, 2);
  EXPECT_EQ(found, 1);
  locateInterval(xs, 0.5f, 4, index, found, 10000);
  EXPECT_EQ(index, 1);
  locateInterval(xs, 0.8f, 4, index, found, 10000);
  EXPECT_EQ(index, 3) << "the last abscissa belongs to the last interval";
  locateInterval(xs, 0.8f - 5e-7f, 4, index, found, 10000);
  EXPECT_EQ(index, 3);
  EXPECT_EQ(console(), "");

  locateInterval(xs, 0.81f, 4, index, found, 10000);
  EXPECT_EQ(found, 0);
  EXPECT_EQ(console(), "** NOKTA ARALIGIN DISINDA **");
  EXPECT_EQ(result(), "");
}

TEST_F(NumericToolkit, SplineValueOutsideTheTableLeavesTheValue) {
  const Table t(4, [](float x) { return x; });
  std::vector<float> c(16, 0.0f);
  float value = 9.0f;
  int found = 1;
  splineValue(4, 0.5f, value, t.xs.data(), c.data(), found, 4);
  EXPECT_EQ(found, 0);
  EXPECT_EQ(value, 9.0f);
}

TEST_F(NumericToolkit, FindRootOnALinearTableLandsOnTheRoot) {
  const Table t(
      10, [](float pd) { return 800.0f * pd - 200.0f; }, 0.5f, 0.1f);
  float root = -1.0f;
  findRoot(t.count(), t.xs.data(), t.ys.data(), 600.0f, root, 10000);
  EXPECT_NEAR(root, 1.0f, 2e-6f);
  EXPECT_EQ(console(), "");
}

TEST_F(NumericToolkit, FindRootOnACurvedTableMeetsTheTolerance) {
  const auto thrust = [](float pd) { return 50.0f + 300.0f * pd * pd - 40.0f * pd * pd * pd; };
  const Table t(16, thrust, 0.5f, 0.1f);
  float root = -1.0f;
  findRoot(t.count(), t.xs.data(), t.ys.data(), 400.0f, root, 10000);
  EXPECT_NEAR(thrust(root), 400.0f, 0.05f);
  EXPECT_GT(root, 0.5f);
  EXPECT_LT(root, 2.0f);
}

TEST_F(NumericToolkit, FindRootAtEitherEndOfTheTable) {
  const Table t(5, [](float x) { return x * x; });
  float root = -1.0f;
  findRoot(5, t.xs.data(), t.ys.data(), 1.0f, root, 100);
  EXPECT_EQ(root, 1.0f);
  root = -1.0f;
  findRoot(5, t.xs.data(), t.ys.data(), 25.0f, root, 100);
  EXPECT_EQ(root, 5.0f);
  EXPECT_EQ(console(), "");
}

TEST_F(NumericToolkit, FindRootWithoutASignChangeLeavesTheRoot) {
  const Table t(6, [](float x) { return 10.0f * x; });
  float root = 7.5f;
  findRoot(6, t.xs.data(), t.ys.data(), 5.0f, root, 10000);
  EXPECT_EQ(root, 7.5f);
  EXPECT_EQ(console(), "\r\n\r\nVERILEN ARALIKTA KOK YOKTUR - STOP");
  EXPECT_EQ(result(), "");
}

TEST_F(NumericToolkit, FindRootOnOnePoint) {
  const float xs[] = {0.0f, 0.9f};
  const float ys[] = {0.0f, 120.0f};
  float root = -1.0f;
  findRoot(1, xs, ys, 120.000005f, root, 10000);
  EXPECT_EQ(root, 0.9f);
  root = -1.0f;
  findRoot(1, xs, ys, 121.0f, root, 10000);
  EXPECT_EQ(root, -1.0f);
  EXPECT_EQ(console(), "\r\n\r\nVERILEN ARALIKTA KOK YOKTUR - STOP");
}

TEST_F(NumericToolkit, FindRootSurvivesTablesNoSolverShouldPass) {
  float root = -1.0f;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float xs[] = {0.0f, 0.5f, 0.6f, 0.7f, 0.8f};
  const float ysNaN[] = {0.0f, 1.0f, nan, 3.0f, 4.0f};
  findRoot(4, xs, ysNaN, 2.5f, root, 10000);  // ends forever at the iteration cap
  const float ysInf[] = {0.0f, -std::numeric_limits<float>::infinity(), 1.0f, 2.0f, 3.0f};
  findRoot(4, xs, ysInf, 1.5f, root, 10000);
  const float repeated[] = {0.0f, 0.5f, 0.5f, 0.7f, 0.8f};
  const float ys[] = {0.0f, 1.0f, 2.0f, 3.0f, 4.0f};
  findRoot(4, repeated, ys, 2.5f, root, 10000);
  findRoot(0, xs, ys, 2.5f, root, 10000);
  SUCCEED();
}

TEST_F(NumericToolkit, FindRootOnAFullSizeTable) {
  const Table t(10000, [](float x) { return x - 5000.5f; });
  float root = 0.0f;
  findRoot(t.count(), t.xs.data(), t.ys.data(), 0.0f, root, 10000);
  EXPECT_NEAR(root, 5000.5f, 0.01f);
}

}  // namespace
}  // namespace helisolv
