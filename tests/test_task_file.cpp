// Keyword task files where a recorded case cannot reach: the examples' keyword
// twins against their recorded runs, and the library reading and running a
// task. The command-line runs of keyword files are the cases of tests/taskfile.
#include <gtest/gtest.h>

#include "binary_run.hpp"
#include "helisolv/run.hpp"
#include "helisolv/task_file.hpp"

namespace {

using namespace helisolv::test;

// The examples' keyword twins answer the console's questions themselves: with
// Enter alone at every pause they give their fixed-line twins' recorded bytes;
// the selections, which have no twin, their recorded reports in tests/selection,
// in Turkish and in English.
TEST(TaskFile, ExamplesRunFromTheirKeywordFilesWithoutConsoleAnswers) {
  int runs = 0;
  for (const auto& e : fs::directory_iterator(kCasesDir / ".." / "examples")) {
    const std::string name = e.path().stem().string();
    const bool selection = name.starts_with("selection_");
    for (const std::string lang : {"tr", "en"}) {
      if (e.path().extension() != ".toml" || (lang == "en" && !selection)) continue;
      SCOPED_TRACE(name + " " + lang);
      const fs::path dir = scratchFolder("keyword_example");
      fs::copy_file(e.path(), dir / (name + ".toml"));
      const Outcome o = runBinaryWithAnswers(dir, withArgs({"--lang=" + lang, name + ".toml"}),
                                             std::string(40, '\n'));
      const std::string son = slurp(dir / (name + ".Son"));
      const fs::path recorded = kCasesDir / (selection ? "selection" : "examples") /
                                (lang == "en" ? "english" : "") / name;
      const auto want = [&](const char* tsk, const char* sel) {
        return slurp(selection ? recorded.string() + sel : (recorded / tsk).string());
      };
      EXPECT_EQ(o.status, selection ? 0 : std::stoi(want("expected.rc", "")));
      EXPECT_TRUE(o.out == want("expected.stdout", ".console")) << "console differs";
      EXPECT_TRUE(son == want("expected.son", ".result")) << "result differs";
      if (selection) {
        EXPECT_EQ(o.err, want("", ".errors"));
      }
      fs::remove_all(dir);
      ++runs;
    }
  }
  EXPECT_EQ(runs, 24);
}

const std::string kThrustTask =
    "series = \"wageningen\"\nproblem = \"pitch-for-thrust\"\nthrust = \"420 kN\"\n"
    "diameter = \"4.6 m\"\nrpm = \"120 rpm\"\nadvance_speed = \"6.2 m/s\"\n"
    "density = \"1025 kg/m3\"\nblades = 4\narea_ratio = 0.75\nviscous_correction = true\n"
    "shaft_depth = \"4.5 m\"\n";

// The library reads the same file and runs it with its answers; each answer
// lands in the field of its own question.
TEST(TaskFile, LibraryParsesAndRunsTheSameTask) {
  const helisolv::TaskParse parsed =
      helisolv::parseTask(slurp(kCasesDir / ".." / "examples" / "type05_open_water_table.toml"));
  ASSERT_TRUE(parsed.task);
  EXPECT_EQ(static_cast<int>(parsed.exitStatus), 0);
  EXPECT_EQ(parsed.task->task.problemType, 5);
  const helisolv::RunResult r = helisolv::run(*parsed.task);
  const fs::path recorded = kCasesDir / "examples" / "type05_open_water_table";
  EXPECT_EQ(static_cast<int>(r.exitStatus), 0);
  EXPECT_TRUE(r.console == slurp(recorded / "expected.stdout"));
  EXPECT_TRUE(r.resultFile == slurp(recorded / "expected.son"));

  const helisolv::TaskParse p = helisolv::parseTask(
      kThrustTask +
      "[answers]\nchange_propeller = true\nrow = 3\nbollard_candidate = 2\n"
      "viscous_correction = false\nfull_scale_diameter = \"4 m\"\nfull_scale_rpm = \"150 rpm\"\n");
  ASSERT_TRUE(p.task) << (p.errors.empty() ? "" : p.errors[0]);
  const helisolv::TaskAnswers& a = p.task->answers;
  EXPECT_EQ(a.changePropeller, true);
  EXPECT_EQ(a.row, 3);
  EXPECT_EQ(a.bollardCandidate, 2);
  EXPECT_EQ(a.viscousCorrection, false);
  EXPECT_EQ(a.fullScaleDiameter, 4.0f);
  EXPECT_EQ(a.fullScaleRpm, 150.0f);

  // A number without unit takes the fixed-line reader's single rounding of its
  // digits, not a double's rounded again (just above a midpoint of 32-bit reals).
  const helisolv::TaskParse exact = helisolv::parseTask(
      "series = \"gawn\"\nproblem = 5\npitch_ratio = 1.00000005960464477539063\nblades = 3\n"
      "area_ratio = 1_0.5e-1\n");
  ASSERT_TRUE(exact.task);
  EXPECT_EQ(exact.task->task.pitchRatio, std::strtof("1.00000005960464477539063", nullptr));
  EXPECT_EQ(exact.task->task.areaRatio, 1.05f);
  const helisolv::TaskParse wrong = helisolv::parseTask("series = \"gawn\"\nproblem = 5\n");
  EXPECT_FALSE(wrong.task);
  EXPECT_EQ(static_cast<int>(wrong.exitStatus), 1);
  EXPECT_EQ(wrong.errors.size(), 3u);
}

// An input's range is warned of just past its lowest allowed value, not at it.
TEST(TaskFile, ARangeIsWarnedOfPastItsLowestValueOnly) {
  const struct {
    const char* key;
    const char* line;
    bool warned;
  } cases[] = {
      {"thrust", "thrust = \"0 kN\"", false},
      {"thrust", "thrust = \"-1 N\"", true},
      {"diameter", "diameter = \"0 m\"", true},
      {"diameter", "diameter = \"1 mm\"", false},
      {"blades", "blades = 1", false},
      {"blades", "blades = 0", true},
      {"area_ratio", "area_ratio = 0", false},
      {"area_ratio", "area_ratio = -0.01", true},
      {"shaft_depth", "shaft_depth = \"-2 m\"", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    std::string text = kThrustTask;
    const size_t at = text.find("\n" + std::string(c.key) + " =") + 1;
    const helisolv::TaskParse p =
        helisolv::parseTask(text.replace(at, text.find('\n', at) - at, c.line));
    ASSERT_TRUE(p.task) << (p.errors.empty() ? "" : p.errors[0]);
    bool warned = false;
    for (const std::string& w : p.warnings)
      warned |= w.find("is out of range") != std::string::npos;
    EXPECT_EQ(warned, c.warned);
  }
}

}  // namespace
