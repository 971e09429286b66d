// The cubic spline and its root search: exact on low-order polynomials, the
// root tolerance at the table ends, the message when no root is bracketed,
// and tables that no solver should pass but that must not crash or loop.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <vector>

#include "io/session.hpp"
#include "numeric/interpolate.hpp"
#include "numeric/spline.hpp"
#include "problems/table_search.hpp"

namespace helisolv {
namespace {

// Captures the console and the result file of one test.
class NumericToolkit : public ::testing::Test {
 protected:
  void SetUp() override {
    io = Session(Channels{&keyboard_, &console_, &errors_, &result_, &task_});
  }
  std::string console() const { return console_.str(); }
  std::string result() const { return result_.str(); }

 private:
  std::istringstream keyboard_, task_;
  std::ostringstream console_, errors_, result_;

 protected:
  Session io;
};

TEST_F(NumericToolkit, InterpolateFitsAParabolaButReturnsAFlatStretchAsItStands) {
  // y = x^2 on 0..2: [1, 2] is fitted through points 1, 2, 3.
  const float xs[] = {0.0f, 0.0f, 1.0f, 2.0f, 3.0f};
  const float ys[] = {0.0f, 0.0f, 1.0f, 4.0f, 30.0f};
  float y = -1.0f;
  interpolate(io, 4, xs, ys, 1.5f, y, 100);
  EXPECT_FLOAT_EQ(y, 2.25f);
  // Neighbours closer than 1e-5 are a flat stretch; 1e-4 apart they are fitted.
  const float flat[] = {0.0f, 1.0f, 2.0f, 2.000009f, 5.0f};
  const float bent[] = {0.0f, 1.0f, 2.0f, 2.0001f, 5.0f};
  interpolate(io, 4, xs, flat, 1.5f, y, 8);
  EXPECT_EQ(y, 2.0f);
  interpolate(io, 4, xs, bent, 1.5f, y, 8);
  EXPECT_NE(y, 2.0f);
  EXPECT_EQ(console(), "");
}

// Abscissas first, first + step, ... and ordinates f(x), 1-based.
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

float splineAt(const Table& t, float x) {
  Session io;
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

TEST_F(NumericToolkit, FindRootOnLinearAndCurvedTablesAndAtTheEnds) {
  float root = -1.0f;
  // A straight line: the first false-position step lands on the root.
  const Table line(
      10, [](float pd) { return 800.0f * pd - 200.0f; }, 0.5f, 0.1f);
  findRoot(io, line.count(), line.xs.data(), line.ys.data(), 600.0f, root, 10000);
  EXPECT_NEAR(root, 1.0f, 2e-6f);

  const auto thrust = [](float pd) { return 50.0f + 300.0f * pd * pd - 40.0f * pd * pd * pd; };
  const Table curve(16, thrust, 0.5f, 0.1f);
  findRoot(io, curve.count(), curve.xs.data(), curve.ys.data(), 400.0f, root, 10000);
  EXPECT_NEAR(thrust(root), 400.0f, 0.05f);

  const Table squares(5, [](float x) { return x * x; });
  findRoot(io, 5, squares.xs.data(), squares.ys.data(), 1.0f, root, 100);
  EXPECT_EQ(root, 1.0f);
  findRoot(io, 5, squares.xs.data(), squares.ys.data(), 25.0f, root, 100);
  EXPECT_EQ(root, 5.0f);
  EXPECT_EQ(console(), "");
}

TEST_F(NumericToolkit, FindRootWithoutASignChangeLeavesTheRoot) {
  const Table t(6, [](float x) { return 10.0f * x; });
  float root = 7.5f;
  findRoot(io, 6, t.xs.data(), t.ys.data(), 5.0f, root, 10000);
  EXPECT_EQ(root, 7.5f);
  EXPECT_EQ(console(), "\r\n\r\nVERILEN ARALIKTA KOK YOKTUR - STOP");
  EXPECT_EQ(result(), "");

  // A single point is a root only where it meets the target within 1e-5.
  const float xs[] = {0.0f, 0.9f};
  const float ys[] = {0.0f, 120.0f};
  findRoot(io, 1, xs, ys, 121.0f, root, 10000);
  EXPECT_EQ(root, 7.5f);
  findRoot(io, 1, xs, ys, 120.000005f, root, 10000);
  EXPECT_EQ(root, 0.9f);
}

TEST_F(NumericToolkit, FindRootSurvivesTablesNoSolverShouldPass) {
  float root = -1.0f;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float xs[] = {0.0f, 0.5f, 0.6f, 0.7f, 0.8f};
  const float ys[] = {0.0f, 1.0f, 2.0f, 3.0f, 4.0f};
  const float ysNaN[] = {0.0f, 1.0f, nan, 3.0f, 4.0f};
  findRoot(io, 4, xs, ysNaN, 2.5f, root, 10000);  // runs to the iteration cap
  const float ysInf[] = {0.0f, -std::numeric_limits<float>::infinity(), 1.0f, 2.0f, 3.0f};
  findRoot(io, 4, xs, ysInf, 1.5f, root, 10000);
  const float repeated[] = {0.0f, 0.5f, 0.5f, 0.7f, 0.8f};
  findRoot(io, 4, repeated, ys, 2.5f, root, 10000);
  findRoot(io, 0, xs, ys, 2.5f, root, 10000);

  // The working storage follows the count: a full 10000-entry table.
  const Table big(10000, [](float x) { return x - 5000.5f; });
  findRoot(io, big.count(), big.xs.data(), big.ys.data(), 0.0f, root, 10000);
  EXPECT_NEAR(root, 5000.5f, 0.01f);
}

}  // namespace
}  // namespace helisolv
