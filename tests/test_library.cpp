// The library's own entry points: a task given as a value runs as the same
// text would, each real reaching the run as the same 32-bit value; the lengths
// the array calls demand; a grid as its propellers' curves; and which model
// option wins when the task file and the caller both name one. (The command
// line and runs by text: tests/python.)

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "binary_run.hpp"
#include "helisolv/curve.hpp"
#include "helisolv/run.hpp"
#include "helisolv/task_file.hpp"

namespace helisolv {
namespace {

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
  const RunResult byText = run(test::fixedLineTask("2", "3", "5000 7 200 1025 3 0.8"), "\n\n\n");
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
  for (const float x :
       {0.1f, std::numeric_limits<float>::min(), std::numeric_limits<float>::denorm_min(),
        std::numeric_limits<float>::max(), -0.0f, 16777217.0f, 1.0e-7f}) {
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

// A grid of two propellers by three J needs six values in each output, a curve
// of three J three (and the clamped J it gives back, when asked for, three).
TEST(Library, EveryOutputOfAGridOrACurveMustHoldExactlyItsPoints) {
  const SeriesModel b{Series::Wageningen, GawnModel::Legacy};
  const Propeller props[] = {{4.0f, 0.55f, 1.0f}, {4.0f, 0.70f, 1.2f}};
  const float j[] = {0.3f, 0.5f, 0.7f};
  const struct {
    size_t kt, kq, eta0;
    const char* refusal;  // empty: accepted
  } grids[] = {{6, 6, 6, ""},
               {5, 6, 6, "kt holds 5 values where a grid of 2 propellers by 3 J needs 6"},
               {6, 7, 6, "kq holds 7 values"},
               {6, 6, 3, "eta0 holds 3 values"},
               {6, 6, 0, "eta0 holds 0 values"}};
  for (const auto& g : grids) {
    std::vector<float> kt(g.kt), kq(g.kq), eta0(g.eta0);
    std::string what;
    try {
      evaluateOpenWaterGrid(b, props, j, kt, kq, eta0);
      EXPECT_EQ(kt.back(), evaluateOpenWater(b, props[1], j[2]).kt);
    } catch (const std::invalid_argument& e) {
      what = e.what();
    }
    EXPECT_EQ(what.substr(0, std::string(g.refusal).size()), g.refusal);
    EXPECT_EQ(what.empty(), !*g.refusal) << what;
  }
  std::vector<float> three(3), two(2), clamped(3);
  EXPECT_NO_THROW(evaluateOpenWaterCurve(b, props[0], j, three, three, three, {}, {}));
  EXPECT_THROW(evaluateOpenWaterCurve(b, props[0], j, three, two, three), std::invalid_argument);
  EXPECT_THROW(evaluateOpenWaterCurve(b, props[0], j, three, three, three, {}, two),
               std::invalid_argument);
  // The clamped J given back, and the blade count the series evaluates.
  const float bollard[] = {0.0f, 0.5f, 0.7f};
  EXPECT_EQ(
      evaluateOpenWaterCurve({Series::Gawn}, props[0], bollard, three, three, three, {}, clamped)
          .bladeCount,
      3.0f);
  EXPECT_EQ(clamped, (std::vector<float>{0.001f, 0.5f, 0.7f}));
}

// Every row of a grid is its own propeller's points: a small grid with a
// propeller twice, with and without a correction; a design space with the
// blade count outermost, whose propellers of one pitch and area ratio stand
// apart and are gathered to be evaluated together; and more propellers than
// are evaluated together, the later groups too.
TEST(Library, EveryRowOfAGridIsItsOwnPropellersPoints) {
  const std::vector<float> j{0.0f, 0.2f, 0.45f, 0.7f, 1.1f};
  const ScaleCorrection corrected{1, ViscousCorrection::Ittc78, 4.0f, 0.0f, 150.0f};
  std::vector<Propeller> small{
      {3.0f, 0.5f, 0.8f}, {4.0f, 0.55f, 1.0f}, {5.0f, 0.75f, 1.3f}, {4.0f, 0.55f, 1.0f}};
  std::vector<Propeller> space, large;
  for (const float z : {2.0f, 3.0f, 5.0f, 7.0f})
    for (const float area : {0.4f, 0.85f})
      for (const float pitch : {0.6f, 1.2f}) space.push_back({z, area, pitch});
  for (int i = 0; i < 600; ++i)
    large.push_back({static_cast<float>(3 + i % 5), 0.4f + 0.001f * static_cast<float>(i % 500),
                     0.6f + 0.0013f * static_cast<float>(i)});
  const std::pair<const std::vector<Propeller>*, ScaleCorrection> grids[] = {
      {&small, {}}, {&small, corrected}, {&space, corrected}, {&large, {}}};
  for (const auto& [grid, correction] : grids) {
    const std::size_t n = grid->size() * j.size();
    std::vector<float> kt(n), kq(n), eta0(n);
    evaluateOpenWaterGrid({Series::Wageningen}, *grid, j, kt, kq, eta0, correction);
    for (std::size_t p = 0; p < grid->size(); ++p)
      for (std::size_t i = 0; i < j.size(); ++i) {
        const OpenWaterPoint point =
            evaluateOpenWater({Series::Wageningen}, (*grid)[p], j[i], correction);
        const std::size_t at = p * j.size() + i;
        ASSERT_TRUE(kt[at] == point.kt && kq[at] == point.kq && eta0[at] == point.eta0)
            << grid->size() << " propellers: " << p << ' ' << i;
      }
  }
}

std::string example(const std::string& name) {
  return slurp(test::kCasesDir / ".." / "examples" / name);
}

RunOptions parsed(std::vector<std::string> args) {
  RunOptions options;
  EXPECT_FALSE(parseRunArguments(args, options).has_value());
  return options;
}

// The file's model stands where the caller left the default; a caller's own
// choice wins, and so does any choice the command-line arguments name, the
// default value included, as on the command line (whose own case is recorded
// under tests/taskfile).
TEST(Library, AModelOptionOfTheCallerOrTheCommandLineWinsOverTheTaskFiles) {
  const std::string b = "type06_operating_point.toml", g = "type06_operating_point_gawn.toml";
  const std::string ittc = "viscous_correction_model = \"ittc78\"";
  const std::string regression = "gawn_model = \"regression\"";
  const std::vector<std::string> legacy{}, ittc78{"--viscous-correction=ittc78"},
      reynolds{"--viscous-correction=reynolds"}, gawnLegacy{"--gawn-model=legacy"},
      gawnRegression{"--gawn-model=regression"};
  const struct {
    std::string example, fileLine;
    RunOptions options;
    std::vector<std::string> winner, loser;  // each as the run's only option
  } cases[] = {
      {b, ittc, {}, ittc78, legacy},
      {b, ittc, parsed(reynolds), reynolds, ittc78},
      {b, ittc, parsed({"--viscous-correction=legacy"}), legacy, ittc78},
      {b, "", parsed(ittc78), ittc78, legacy},
      {g, regression, {}, gawnRegression, gawnLegacy},
      {g, regression, parsed(gawnLegacy), gawnLegacy, gawnRegression},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fileLine + ", won by " + (c.winner.empty() ? "legacy" : c.winner[0]));
    const TaskParse file = parseTask(c.fileLine + "\n" + example(c.example));
    ASSERT_TRUE(file.task);
    const RunResult got = run(*file.task, "\n\n\n\n", c.options);
    const RunResult want = run(example(c.example), "\n\n\n\n", parsed(c.winner));
    const RunResult lost = run(example(c.example), "\n\n\n\n", parsed(c.loser));
    ASSERT_EQ(got.exitStatus, ExitStatus::Result) << got.errors;
    EXPECT_EQ(got.console, want.console);
    EXPECT_EQ(got.warnings, want.warnings);
    EXPECT_NE(got.console, lost.console);  // the two models print other numbers
  }
}

}  // namespace
}  // namespace helisolv
