// A keyword task file read by the library: each answer lands in the field of
// its own question, and an input's range is warned of just past its lowest
// allowed value, not at it.

#include <gtest/gtest.h>

#include <string>

#include "helisolv/task_file.hpp"

namespace helisolv {
namespace {

const std::string kTask =
    "series = \"wageningen\"\nproblem = \"pitch-for-thrust\"\nthrust = \"420 kN\"\n"
    "diameter = \"4.6 m\"\nrpm = \"120 rpm\"\nadvance_speed = \"6.2 m/s\"\n"
    "density = \"1025 kg/m3\"\nblades = 4\narea_ratio = 0.75\nviscous_correction = true\n"
    "shaft_depth = \"4.5 m\"\n";

// The task with one input's line replaced.
std::string withInput(const std::string& key, const std::string& line) {
  std::string text = kTask;
  const size_t at = text.find("\n" + key + " =") + 1;
  return text.replace(at, text.find('\n', at) - at, line);
}

TEST(KeywordAnswers, EachAnswerFillsItsOwnQuestion) {
  const TaskParse p = parseTask(kTask +
                                "[answers]\nchange_propeller = true\nrow = 3\n"
                                "bollard_candidate = 2\nviscous_correction = false\n"
                                "full_scale_diameter = \"4 m\"\nfull_scale_rpm = \"150 rpm\"\n");
  ASSERT_TRUE(p.task) << (p.errors.empty() ? "" : p.errors[0]);
  const TaskAnswers& a = p.task->answers;
  EXPECT_EQ(a.changePropeller, true);
  EXPECT_EQ(a.row, 3);
  EXPECT_EQ(a.bollardCandidate, 2);
  EXPECT_EQ(a.viscousCorrection, false);
  EXPECT_EQ(a.fullScaleDiameter, 4.0f);
  EXPECT_EQ(a.fullScaleRpm, 150.0f);
}

TEST(KeywordAnswers, ARangeIsWarnedOfPastItsLowestValueOnly) {
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
    const TaskParse p = parseTask(withInput(c.key, c.line));
    ASSERT_TRUE(p.task) << (p.errors.empty() ? "" : p.errors[0]);
    bool warned = false;
    for (const std::string& w : p.warnings)
      warned |= w.find("is out of range") != std::string::npos;
    EXPECT_EQ(warned, c.warned);
  }
}

}  // namespace
}  // namespace helisolv
