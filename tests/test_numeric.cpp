// The cubic spline and its root search: exact on low-order polynomials, the
// root tolerance at the table ends, the message when no root is bracketed,
// and tables that no solver should pass but that must not crash or loop.

#include <gtest/gtest.h>

#include <limits>
#include <sstream>
#include <vector>

#include "io/session.hpp"
#include "numeric/interpolate.hpp"
#include "numeric/spline.hpp"
#include "problems/table_search.hpp"

namespace helisolv {
namespace {

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

TEST(Spline, IsTheLineTheParabolaOrTheCubicThroughThePoints) {
  EXPECT_NEAR(splineAt(Table(2, [](float x) { return 3.0f * x - 1.0f; }), 1.25f), 2.75f, 1e-6f);
  EXPECT_NEAR(splineAt(Table(3, [](float x) { return x * x - x; }), 2.5f), 3.75f, 1e-5f);
  // Not-a-knot ends reproduce a cubic exactly.
  const auto cubic = [](float x) { return x * x * x - 6.0f * x * x + 2.0f; };
  for (float x : {1.0f, 1.3f, 2.5f, 4.75f, 7.9f, 8.0f})
    EXPECT_NEAR(splineAt(Table(8, cubic), x), cubic(x), 2e-4f) << "x " << x;
}

class Search : public ::testing::Test {
 protected:
  // The root found for the target, starting from `root`.
  float find(const float* xs, const float* ys, int n, float target, float root = -1.0f) {
    findRoot(io, n, xs, ys, target, root, 10000);
    return root;
  }
  float find(const Table& t, float target, float root = -1.0f) {
    return find(t.xs.data(), t.ys.data(), t.count(), target, root);
  }
  std::istringstream keyboard, task;
  std::ostringstream console, errors, result;
  Session io{Channels{&keyboard, &console, &errors, &result, &task}};
};

TEST_F(Search, InterpolateFitsAParabolaButReturnsAFlatStretchAsItStands) {
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
  EXPECT_EQ(console.str(), "");
}

TEST_F(Search, FindRootOnTablesAtTheirEndsAndOnTablesNoSolverShouldPass) {
  // A straight line: the first false-position step lands on the root.
  EXPECT_NEAR(find(Table(
                       10, [](float pd) { return 800.0f * pd - 200.0f; }, 0.5f, 0.1f),
                   600.0f),
              1.0f, 2e-6f);
  const Table squares(5, [](float x) { return x * x; });
  EXPECT_EQ(find(squares, 1.0f), 1.0f);
  EXPECT_EQ(find(squares, 25.0f), 5.0f);
  // The working storage follows the count: a full 10000-entry table.
  EXPECT_NEAR(find(Table(10000, [](float x) { return x - 5000.5f; }), 0.0f), 5000.5f, 0.01f);
  EXPECT_EQ(console.str(), "");

  // No sign change leaves the root and says so on the console only.
  EXPECT_EQ(find(Table(6, [](float x) { return 10.0f * x; }), 5.0f, 7.5f), 7.5f);
  EXPECT_EQ(console.str(), "\r\n\r\nVERILEN ARALIKTA KOK YOKTUR - STOP");
  EXPECT_EQ(result.str(), "");
  // A single point is a root only where it meets the target within 1e-5.
  const float xs[] = {0.0f, 0.9f}, ys[] = {0.0f, 120.0f};
  EXPECT_EQ(find(xs, ys, 1, 121.0f, 7.5f), 7.5f);
  EXPECT_EQ(find(xs, ys, 1, 120.000005f, 7.5f), 0.9f);

  // Tables no solver should pass: each search ends (at the iteration cap at worst).
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float xs4[] = {0.0f, 0.5f, 0.6f, 0.7f, 0.8f}, ys4[] = {0.0f, 1.0f, 2.0f, 3.0f, 4.0f};
  const float ysNaN[] = {0.0f, 1.0f, nan, 3.0f, 4.0f};
  const float ysInf[] = {0.0f, -std::numeric_limits<float>::infinity(), 1.0f, 2.0f, 3.0f};
  const float repeated[] = {0.0f, 0.5f, 0.5f, 0.7f, 0.8f};
  find(xs4, ysNaN, 4, 2.5f);
  find(xs4, ysInf, 4, 1.5f);
  find(repeated, ys4, 4, 2.5f);
  find(xs4, ys4, 0, 2.5f);
}

}  // namespace
}  // namespace helisolv
