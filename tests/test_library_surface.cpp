// The library's public calls at their edges: the lengths the array calls
// demand, where a criterion's chart starts and ends, and which model option
// wins when the task file and the caller (or the command line) both name one.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "binary_run.hpp"
#include "helisolv/criteria.hpp"
#include "helisolv/curve.hpp"
#include "helisolv/run.hpp"
#include "helisolv/task_file.hpp"

namespace helisolv {
namespace {

using test::Invocation;
using test::runBinary;
using test::scratchFolder;

// A grid of two propellers by three J needs six values in each output.
TEST(LibrarySurface, EveryOutputOfAGridOrACurveMustHoldExactlyItsPoints) {
  const SeriesModel b{Series::Wageningen, GawnModel::Legacy};
  const Propeller props[] = {{4.0f, 0.55f, 1.0f}, {4.0f, 0.70f, 1.2f}};
  const float j[] = {0.3f, 0.5f, 0.7f};
  // What the grid says of outputs of these lengths; empty: accepted.
  const auto refusal = [&](size_t nKt, size_t nKq, size_t nEta0) {
    std::vector<float> kt(nKt), kq(nKq), eta0(nEta0);
    try {
      evaluateOpenWaterGrid(b, props, j, kt, kq, eta0);
    } catch (const std::invalid_argument& e) {
      return std::string(e.what());
    }
    EXPECT_EQ(kt[nKt - 1], evaluateOpenWater(b, props[1], j[2]).kt);
    return std::string();
  };
  EXPECT_EQ(refusal(6, 6, 6), "");
  EXPECT_EQ(refusal(5, 6, 6).find("kt holds 5 values"), 0u);
  EXPECT_EQ(refusal(6, 7, 6).find("kq holds 7 values"), 0u);
  EXPECT_EQ(refusal(6, 6, 3).find("eta0 holds 3 values"), 0u);
  std::vector<float> three(3), two(2);
  EXPECT_NO_THROW(evaluateOpenWaterCurve(b, props[0], j, three, three, three, {}, {}));
  EXPECT_NO_THROW(evaluateOpenWaterCurve(b, props[0], j, three, three, three, {}, three));
  EXPECT_THROW(evaluateOpenWaterCurve(b, props[0], j, three, two, three), std::invalid_argument);
  EXPECT_THROW(evaluateOpenWaterCurve(b, props[0], j, three, three, three, {}, two),
               std::invalid_argument);
}

TEST(LibrarySurface, BurrillsLinesAreReadFromTheirFirstToTheirLastSigmaInclusive) {
  for (BurrillCurve line : {BurrillCurve::BackCavitation2_5, BurrillCurve::BackCavitation5}) {
    const float first = burrillFirstSigma(line), last = burrillLastSigma(line);
    EXPECT_EQ(burrillLoading(line, first).position, ChartPosition::On);
    EXPECT_EQ(burrillLoading(line, last).position, ChartPosition::On);
    EXPECT_EQ(burrillLoading(line, std::nextafter(first, 0.0f)).position, ChartPosition::Below);
    EXPECT_EQ(burrillLoading(line, std::nextafter(last, 2.0f)).position, ChartPosition::Above);
    EXPECT_EQ(burrillLoading(line, NAN).position, ChartPosition::Below);
    EXPECT_EQ(burrillLoading(line, NAN).value, 0.0f);
  }
  EXPECT_TRUE(burrillLoading(BurrillCurve::UpperLimit, 0.01f).onChart());
  EXPECT_TRUE(burrillLoading(BurrillCurve::UpperLimit, 3.0f).onChart());
}

std::string slurpExample(const std::string& name) {
  return slurp(test::kCasesDir / ".." / "examples" / name);
}

// The type 6 examples with a model line added to the keyword file.
std::string withLine(const std::string& example, const std::string& line) {
  return line + "\n" + slurpExample(example);
}

RunOptions parsed(std::vector<std::string> args) {
  RunOptions options;
  EXPECT_FALSE(parseRunArguments(args, options).has_value());
  return options;
}

// The file's model stands where the caller left the default; a caller's own
// choice wins, and so does any choice the command-line arguments name, the
// default value included, as on the command line.
TEST(LibrarySurface, AModelOptionOfTheCallerOrTheCommandLineWinsOverTheTaskFiles) {
  const std::string b = "type06_operating_point.toml", g = "type06_operating_point_gawn.toml";
  const std::string ittc = "viscous_correction_model = \"ittc78\"";
  const std::string regression = "gawn_model = \"regression\"";
  const std::vector<std::string> legacy{}, ittc78{"--viscous-correction=ittc78"},
      reynolds{"--viscous-correction=reynolds"}, gawnLegacy{"--gawn-model=legacy"},
      gawnRegression{"--gawn-model=regression"};
  struct Case {
    std::string example, fileLine;
    RunOptions options;
    std::vector<std::string> winner, loser;  // each as the run's only option
  };
  const Case cases[] = {
      {b, ittc, {}, ittc78, legacy},
      {b, ittc, parsed(reynolds), reynolds, ittc78},
      {b, ittc, parsed({"--viscous-correction=legacy"}), legacy, ittc78},
      {b, "", parsed(ittc78), ittc78, legacy},
      {g, regression, {}, gawnRegression, gawnLegacy},
      {g, regression, parsed(gawnLegacy), gawnLegacy, gawnRegression},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fileLine + ", won by " + (c.winner.empty() ? "legacy" : c.winner[0]));
    const TaskParse file = parseTask(withLine(c.example, c.fileLine));
    ASSERT_TRUE(file.task);
    const RunResult got = run(*file.task, "\n\n\n\n", c.options);
    const RunResult want = run(slurpExample(c.example), "\n\n\n\n", parsed(c.winner));
    const RunResult lost = run(slurpExample(c.example), "\n\n\n\n", parsed(c.loser));
    ASSERT_EQ(got.exitStatus, ExitStatus::Result) << got.errors;
    EXPECT_EQ(got.console, want.console);
    EXPECT_EQ(got.warnings, want.warnings);
    EXPECT_NE(got.console, lost.console);  // the two models print other numbers
  }
  // The console program: the command line wins over the file, its default too.
  const auto dir = scratchFolder("model_option_wins");
  std::ofstream(dir / "task.toml") << withLine(b, ittc);
  std::ofstream(dir / "plain.toml") << slurpExample(b);
  Invocation named, plain;
  named.args = {"--viscous-correction=legacy", "task.toml"};
  plain.args = {"plain.toml"};
  const auto given = runBinary(dir, named), alone = runBinary(dir, plain);
  EXPECT_EQ(given.status, 0) << given.err;
  EXPECT_EQ(given.out, alone.out);
  EXPECT_EQ(slurp(dir / "task.Son"), slurp(dir / "plain.Son"));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace helisolv
