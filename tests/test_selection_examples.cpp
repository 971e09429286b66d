// The selection's report head in each language, the keyword reading naming
// what it cannot read, and the CSV tables of the result. The bundled selection
// examples' recorded bytes are checked through the real binary (test_task_file).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "selection/csv.hpp"
#include "selection/report.hpp"
#include "selection/toml_inputs.hpp"
#include "taskfile/units.hpp"

namespace helisolv {
namespace {

const std::filesystem::path kExamples =
    std::filesystem::path(HELISOLV_CASES_DIR).parent_path() / "examples";

// A refusal prints its head in the run's language; the reason stays as the
// search words it.
TEST(SelectionExamples, RefusalHeadFollowsTheLanguage) {
  for (const Language language : {Language::Turkish, Language::English}) {
    std::ostringstream console, errors, result;
    Session io({nullptr, &console, &errors, &result, nullptr});
    io.language = language;
    selection::reportRefusal(io, "why");
    EXPECT_EQ(console.str(), language == Language::Turkish ? "\r\nPERVANE SECILEMEDI\r\nwhy"
                                                           : "\r\nNO PROPELLER SELECTED\r\nwhy");
  }
}

TEST(SelectionExamples, KeywordReadingNamesTheKey) {
  auto error = [](std::string_view text) {
    return selection::parseSelection(toml::parse(text)).error;
  };
  EXPECT_EQ(error("thrust = \"420 kN\"\nthrsut = 1\n"),
            "unknown input 'thrsut' for problem \"selection\"");
  EXPECT_EQ(error("thrust = 420"), "thrust needs its unit: write \"420 kN\" (kN, N, MN or tf)");
  EXPECT_EQ(error("ship_speed = 14").substr(0, 40), "ship_speed needs its unit: write \"14 kn\"");
  EXPECT_EQ(error("thrust = \"420 kW\""),
            std::get<std::string>(units::parse("420 kW", units::Kind::Force, "thrust")));
  EXPECT_EQ(error("diameter = [\"1 m\", \"2 m\", \"3 m\"]"),
            "diameter must be a number or a range [low, high]");
  EXPECT_EQ(error("cavitation = \"burril\""),
            "cavitation must be \"burrill-2.5\", \"burrill-5\", \"burrill-upper-limit\", "
            "\"keller\" or \"none\", not \"burril\"");
  EXPECT_EQ(error("blades = 4.5"), "blades must be a whole number");
  EXPECT_EQ(error("wake_fraction = 1e300"), "wake_fraction must be a finite number");
  // A ship speed is held in knots: from m/s converted once, in knots as written.
  auto shipSpeed = [](std::string_view text) {
    return *selection::parseSelection(toml::parse(text)).inputs->shipSpeed;
  };
  EXPECT_EQ(shipSpeed("ship_speed = \"5.144 m/s\""), 10.0f);
  EXPECT_EQ(shipSpeed("ship_speed = \"14.3 kn\""), 14.3f);
  // The module's plain numbers, in the unit the inputs name.
  EXPECT_EQ(*selection::parseSelection(toml::parse("thrust = 420"), true).inputs->thrust, 420.0f);
}

TEST(SelectionExamples, CsvTablesHoldTheChosenPropeller) {
  const auto parsed = selection::parseSelection(
      toml::parse_file((kExamples / "selection_twin_ferry.toml").string()));
  ASSERT_TRUE(parsed.inputs);
  const SelectionResult r = select(*parsed.inputs);
  const auto files = selection::csvFiles(*parsed.inputs, r, {});
  ASSERT_EQ(files.back().name, "run.csv");
  const std::string& run = files.back().text;
  EXPECT_NE(run.find("outcome,result,\n"), std::string::npos);
  EXPECT_NE(run.find("blades,5,\n"), std::string::npos);
  EXPECT_NE(run.find("rows in selection.csv,3,\n"), std::string::npos);
  EXPECT_NE(run.find("rows in speed_power.csv,5,\n"), std::string::npos);
  EXPECT_EQ(files[0].name, "selection.csv");
  EXPECT_EQ(std::count(files[0].text.begin(), files[0].text.end(), '\n'), 4);
}

}  // namespace
}  // namespace helisolv
