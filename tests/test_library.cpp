// The library's own entry points: a task given as a value runs as the same
// text would, each real reaching the run as the same 32-bit value; the
// curve's lengths. (The command line and runs by text: tests/python.)

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "helisolv/curve.hpp"
#include "helisolv/run.hpp"

namespace helisolv {
namespace {

std::string taskText(const std::string& series, const std::string& type,
                     const std::string& inputs) {
  std::string t;
  for (int i = 1; i <= 13; ++i) t += "*\n";
  t += series + "\n";
  for (int i = 15; i <= 77; ++i) t += "*\n";
  return t + type + "\n" + inputs + "\n";
}

TEST(Library, ATaskValueRunsAsItsTaskFileDoes) {
  Task heaviest{.seriesType = Series::Gawn,
                .problemType = 3,
                .advanceSpeed = 7.0f,
                .rho = 1025.0f,
                .bladeCount = 3.0f,
                .areaRatio = 0.8f,
                .rpm = 200.0f,
                .powerKW = 5000.0f};
  const RunResult byValue = run(heaviest, "\n\n\n");
  const RunResult byText = run(taskText("2", "3", "5000 7 200 1025 3 0.8"), "\n\n\n");
  EXPECT_EQ(static_cast<int>(byValue.exitStatus), 0);
  EXPECT_EQ(byValue.console, byText.console);
  EXPECT_EQ(byValue.resultFile, byText.resultFile);
  ASSERT_EQ(byValue.tables.size(), 1u);
  EXPECT_EQ(byValue.tables[0].name, "candidates");
  EXPECT_EQ(byValue.tables[0].columns.back(), "chosen");
}

// Reals that a careless text would not bring back: a tenth, the smallest
// normal and a subnormal, the largest finite value, negative zero.
TEST(Library, EveryRealOfATaskValueReachesTheRunUnchanged) {
  const float reals[] = {0.1f,
                         std::numeric_limits<float>::min(),
                         std::numeric_limits<float>::denorm_min(),
                         std::numeric_limits<float>::max(),
                         -0.0f,
                         16777217.0f,
                         1.0e-7f};
  for (const float x : reals) {
    Task t{.seriesType = Series::Wageningen,
           .problemType = 5,
           .bladeCount = x,
           .areaRatio = 0.55f,
           .pitchRatio = 1.0f};
    const RunResult r = run(t, "H\n\n\n\n");
    ASSERT_GE(r.inputs.size(), 3u) << x;
    EXPECT_EQ(r.inputs[1].name, "given blades");
    const float back = std::strtof(r.inputs[1].value.c_str(), nullptr);
    EXPECT_EQ(std::signbit(back), std::signbit(x));
    EXPECT_EQ(back, x) << r.inputs[1].value;
  }
  Task notANumber{.seriesType = Series::Wageningen, .problemType = 5, .pitchRatio = std::nanf("")};
  EXPECT_EQ(static_cast<int>(run(notANumber, "H\n").exitStatus), 1);
}

TEST(Library, ACurveRefusesSpansOfOtherLengthsAndGivesTheClampedJ) {
  std::vector<float> j{0.0f, 0.5f}, kt(2), kq(2), eta0(2), clamped(2), shorter(1);
  EXPECT_THROW(
      evaluateOpenWaterCurve({Series::Wageningen}, {4.0f, 0.55f, 1.0f}, j, kt, shorter, eta0),
      std::invalid_argument);
  EXPECT_EQ(
      evaluateOpenWaterCurve({Series::Gawn}, {4.0f, 0.55f, 1.0f}, j, kt, kq, eta0, {}, clamped)
          .bladeCount,
      3.0f);
  EXPECT_EQ(clamped[0], 0.001f);
  EXPECT_EQ(clamped[1], 0.5f);
}

TEST(Library, AGridIsEachPropellersCurveAndRefusesOutputsOfOtherLengths) {
  const std::vector<Propeller> grid{
      {3.0f, 0.5f, 0.8f}, {4.0f, 0.55f, 1.0f}, {5.0f, 0.75f, 1.3f}, {4.0f, 0.55f, 1.0f}};
  const std::vector<float> j{0.0f, 0.2f, 0.45f, 0.7f, 1.1f};
  const std::size_t n = grid.size() * j.size();
  std::vector<float> kt(n), kq(n), eta0(n);
  const ScaleCorrection corrected{1, ViscousCorrection::Ittc78, 4.0f, 0.0f, 150.0f};
  for (const ScaleCorrection& correction : {ScaleCorrection{}, corrected}) {
    evaluateOpenWaterGrid({Series::Wageningen}, grid, j, kt, kq, eta0, correction);
    for (std::size_t p = 0; p < grid.size(); ++p)
      for (std::size_t i = 0; i < j.size(); ++i) {
        const OpenWaterPoint point =
            evaluateOpenWater({Series::Wageningen}, grid[p], j[i], correction);
        const std::size_t at = p * j.size() + i;
        EXPECT_EQ(kt[at], point.kt) << p << ' ' << i;
        EXPECT_EQ(kq[at], point.kq) << p << ' ' << i;
        EXPECT_EQ(eta0[at], point.eta0) << p << ' ' << i;
      }
  }
  // The blade count outermost, as a design space is laid out: each pitch and
  // area ratio's propellers stand apart and are gathered to be evaluated
  // together, every one still in its own row.
  std::vector<Propeller> space;
  for (const float z : {2.0f, 3.0f, 5.0f, 7.0f})
    for (const float area : {0.4f, 0.85f})
      for (const float pitch : {0.6f, 1.2f}) space.push_back({z, area, pitch});
  const std::size_t m = space.size() * j.size();
  std::vector<float> skt(m), skq(m), seta(m);
  evaluateOpenWaterGrid({Series::Wageningen}, space, j, skt, skq, seta, corrected);
  for (std::size_t p = 0; p < space.size(); ++p)
    for (std::size_t i = 0; i < j.size(); ++i) {
      const OpenWaterPoint point =
          evaluateOpenWater({Series::Wageningen}, space[p], j[i], corrected);
      const std::size_t at = p * j.size() + i;
      EXPECT_TRUE(skt[at] == point.kt && skq[at] == point.kq && seta[at] == point.eta0)
          << p << ' ' << i;
    }
  std::vector<float> shorter(n - 1);
  try {
    evaluateOpenWaterGrid({Series::Wageningen}, grid, j, kt, shorter, eta0);
    ADD_FAILURE() << "a short kq was taken";
  } catch (const std::invalid_argument& e) {
    EXPECT_EQ(std::string(e.what()),
              "kq holds 19 values where a grid of 4 propellers by 5 J needs 20");
  }
  EXPECT_THROW(
      evaluateOpenWaterGrid({Series::Wageningen}, grid, j, kt, kq, std::span<float>(eta0).first(0)),
      std::invalid_argument);
}

}  // namespace
}  // namespace helisolv
