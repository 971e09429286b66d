// Warnings through the real binary: one task per warning (tests/warnings/) and
// every bundled example, each run with --csv. The console, Helisolv.Son and
// the exit status must be the recorded bytes (recorded with the program as it
// was before it had any warning); standard error must hold exactly the
// warnings listed, and run.csv one "warning" row for each, in order.

#include <gtest/gtest.h>

#include "binary_run.hpp"
#include "csv_file.hpp"

namespace {

using namespace helisolv::test;

// Sentences several cases share.
const std::string kLegacy =
    "the viscous correction applied is this program's own formulation, which the report calls "
    "ITTC78: it is about six times the published ITTC-78 correction in size (see the README on "
    "the viscous correction); --viscous-correction=ittc78 applies the published one";
const std::string kGawnNotCorrected =
    "a viscous correction was asked for, but the Gawn series is never corrected: its coefficients "
    "are those of the model tests";
const std::string kB4Table =
    "the table over area ratio has rows at EAR 1.05 and 1.10, outside the area ratios the "
    "Wageningen B-series was tested at for Z = 4 (0.40 to 1.00); their pitch ratios and "
    "efficiencies are extrapolated";
const std::string kB3Table =
    "the table over area ratio has rows at EAR 0.85, 0.90, 0.95, 1.00, 1.05 and 1.10, outside the "
    "area ratios the Wageningen B-series was tested at for Z = 3 (0.35 to 0.80); their pitch "
    "ratios and efficiencies are extrapolated";
const std::string kGawnZ4 =
    "blade number Z = 4 is not that of the Gawn series, whose models all have 3 blades; the "
    "series is evaluated with Z = 3, so every figure is that of a three-bladed propeller";
const std::string kTip42 =
    "tip speed Vtip = 42.41 m/s is above the limit of 40 m/s set by --tip-speed-limit: tip vortex "
    "cavitation is likely";
const std::string kNotBacked =
    "; the polynomials are extrapolated and the result is not backed by model tests";
const std::string kShiftedType =
    "so a free-text line added or removed above it shifts it off its line (start from a file in "
    "examples/)";

struct Case {
  const char* dir;  // under tests/; examples/NAME runs the bundled examples/NAME.Tsk
  std::vector<std::string> warnings;
  // The notes of run.csv: figures the run always tabulates beyond the series.
  std::vector<std::string> notes = {};
};

const Case kCases[] = {
    // Series ground: the propeller's own blade count, area ratio and pitch ratio.
    {"warnings/blades_b12",
     {"blade number Z = 12 is outside the Wageningen B-series (2 to 7 blades)" + kNotBacked}},
    {"warnings/blades_b4_5",
     {"blade number Z = 4.5 is not a whole number; the Wageningen B-series has models of 2 to 7 "
      "blades only, so the polynomials interpolate between blade numbers and the result is not "
      "backed by model tests"}},
    {"warnings/blades_gawn_z4", {kGawnZ4}},
    {"warnings/area_b3_ear100",
     {"area ratio EAR = 1.00 is outside the area ratios the Wageningen B-series was tested at for "
      "3 blades (0.35 to 0.80)" +
      kNotBacked}},
    {"warnings/area_gawn_t7",
     {"area ratio EAR = 1.30 is outside the area ratios the Gawn series was tested at for its 3 "
      "blades (0.20 to 1.10)" +
      kNotBacked}},
    {"warnings/pitch_b18",
     {"pitch ratio P/D = 1.80 is outside the Wageningen B-series (0.5 to 1.4)" + kNotBacked}},
    {"warnings/pitch_gawn22",
     {"pitch ratio P/D = 2.20 is outside the Gawn series (0.4 to 2.0)" + kNotBacked}},
    {"warnings/area_table_ear0", {kB4Table}},
    // The correction: which one, and what the program's own one is.
    {"warnings/corr_legacy_t6", {kLegacy}},
    {"warnings/corr_ittc78_t6",
     {"the viscous correction applied is the published ITTC-78 procedure "
      "(--viscous-correction=ittc78)"}},
    {"warnings/corr_flag2_t6",
     {kLegacy + "; the viscous flag 2 applies it although the report says no correction was made"}},
    {"warnings/corr_gawn_t5", {kGawnNotCorrected}},
    {"warnings/corr_no_scale_t7",
     {"a viscous correction was asked for, but with neither a speed of advance nor revolutions "
      "there is no full scale to correct to: the coefficients are those of the model tests, "
      "although the report names the ITTC78 correction"}},
    // Burrill off the chart, cavitation, tip speed, shaft depth.
    {"warnings/burrill_low_t9",
     {"the cavitation number sigma 0.7R = 0.140 lies off Burrill's chart for the 2.5% back "
      "cavitation line (it starts at sigma = 0.18) and the 5% back cavitation line (it starts at "
      "sigma = 0.15): the minimum area ratios printed for those lines are not results",
      "area ratio EAR = 0.650 is below Keller's minimum area ratio for fast twin-screw ships "
      "(1.124), slow twin-screw ships (1.224) and single-screw ships (1.324): back cavitation is "
      "likely on such a ship"},
     {kB3Table}},
    {"warnings/burrill_high_t9",
     {"the cavitation number sigma 0.7R = 5.079 lies off Burrill's chart for the 2.5% back "
      "cavitation line (it ends at sigma = 1.5) and the 5% back cavitation line (it ends at sigma "
      "= 1.5): the minimum area ratios printed for those lines are not results"},
     {kB4Table}},
    {"warnings/cavitation_t8",
     {"area ratio EAR = 0.550 is below the minimum of Burrill's 5% back cavitation line (0.590): "
      "back cavitation is likely"},
     {kB4Table}},
    {"warnings/keller_t8",
     {"area ratio EAR = 0.400 is below the minimum of Burrill's 5% back cavitation line (0.591): "
      "back cavitation is likely",
      "area ratio EAR = 0.400 is below Keller's minimum area ratio for slow twin-screw ships "
      "(0.446) and single-screw ships (0.546): back cavitation is likely on such a ship"},
     {kB4Table}},
    {"warnings/tip_speed_t10", {kTip42}},
    {"warnings/shaft_depth_neg",
     {"shaft depth Hs = -2 m is negative, which puts the shaft above the water: the cavitation "
      "number and Keller's minimum area ratio computed from it (negative for a depth below about "
      "-9.8 m) are not results",
      "area ratio EAR = 0.750 is below the minimum of Burrill's 5% back cavitation line (0.881): "
      "back cavitation is likely",
      "area ratio EAR = 0.750 is below Keller's minimum area ratio for single-screw ships (0.835): "
      "back cavitation is likely on such a ship"},
     {kB4Table}},
    // Inputs that contradict each other or look like the wrong unit.
    {"warnings/bp_delta_t7",
     {"delta = 162.66 as given differs by 15.3 % from N D / Va = 191.97 of the given N = 546 rpm, "
      "D = 8.202 ft (2.5 m) and Va = 23.328 kn (12 m/s); the design used the given delta for J "
      "and the pitch ratio, and the given D and N for thrust, torque and power"}},
    {"warnings/units_thrust_t8",
     {"the required thrust of 420000 kN is 581 times the largest thrust of the pitch sweep "
      "(722.35 kN): it was probably given in N where kN is read (420000 N is 420 kN)"}},
    {"warnings/units_power_t9",
     {"the required power of 4000000 kW is 444 times the largest power of the pitch sweep "
      "(9009.38 kW): it was probably given in W where kW is read (4000000 W is 4000 kW)"}},
    {"warnings/units_torque_ear0",
     {"the required torque of 320000 kN m is 411 times the largest torque of the pitch sweep "
      "(779.32 kN m): it was probably given in N m where kN m is read (320000 N m is 320 kN m)"}},
    {"warnings/comma_refused_t5",
     {"task-file line 79 holds \"0,55\": a comma separates values, so it is read as two values, 0 "
      "and 55, and the values after it move one place on; write 0.55 if a decimal number was "
      "meant"}},
    {"warnings/comma_error_t8",
     {"task-file line 79 holds \"6,2\": a comma separates values, so it is read as two values, 6 "
      "and 2, and the values after it move one place on; write 6.2 if a decimal number was "
      "meant"}},
    // The optimum at the edge of the sweep.
    {"warnings/edge_t1_last",
     {"the chosen propeller (row 91, P/D = 1.400) has the last pitch ratio of the sweep (P/D 0.50 "
      "to 1.40): the efficiency may still rise above it, so the optimum may lie outside the "
      "series"}},
    {"warnings/edge_t2_first",
     {"the chosen propeller (row 1, P/D = 0.500) has the first pitch ratio of the sweep (P/D 0.50 "
      "to 1.40): the efficiency may still rise below it, so the optimum may lie outside the "
      "series"}},
    {"warnings/edge_t7_first",
     {"the pitch ratio found, P/D = 0.500, is the first pitch ratio of the table it was read from "
      "(P/D 0.50 to 1.40): the design sits at the edge of what was swept, and a slightly smaller "
      "Bp has no propeller in the table"}},
    {"warnings/edge_t8_first",
     {kLegacy,
      "the pitch ratio found, P/D = 0.600, is the first pitch ratio of the table it was read from "
      "(P/D 0.60 to 1.40): the design sits at the edge of what was swept, and a slightly smaller "
      "requirement has no propeller in the table"},
     {kB4Table}},
    // A type line shifted by a line added or removed above it.
    {"warnings/type_line_deleted",
     {"problem type 420 read from task-file line 78, which holds \"420 4.6 120 6.2 1025 4 0.75 1 "
      "4.5\", is not 1 to 10; the problem type must stand on line 78, " +
      kShiftedType}},
    {"warnings/type_line_blank78",
     {"problem type 420 read from task-file line 79 (it belongs on line 78), which holds \"420 4.6 "
      "120 6.2 1025 4 0.75 1 4.5\", is not 1 to 10; the problem type must stand on line 78, " +
      kShiftedType}},
    {"warnings/series_line_shifted",
     {"series type 3 read from task-file line 14, which holds \"3 adet pervane icin notlar\", is "
      "not 1 (Wageningen B) or 2 (Gawn); the series type must stand on line 14, " +
      kShiftedType}},
    // Inside the ground: no warning at all.
    {"warnings/inside_b4_55_t5", {}},
    {"warnings/blades_b7_t5", {}},
    // The bundled examples, as the README's example table says.
    {"examples/type01_ktj2_design", {}},
    {"examples/type01_ktj2_design_gawn", {}},
    {"examples/type02_ktj4_design", {}},
    {"examples/type02_ktj4_design_gawn", {kGawnZ4}},
    {"examples/type03_kqj5_design", {}},
    {"examples/type03_kqj5_design_gawn", {}},
    {"examples/type04_bollard_pull", {}},
    {"examples/type04_bollard_pull_gawn", {}},
    {"examples/type05_open_water_table", {kLegacy}},
    {"examples/type05_open_water_table_gawn", {kGawnNotCorrected}},
    {"examples/type06_operating_point", {kLegacy}},
    {"examples/type06_operating_point_gawn", {}},
    {"examples/type07_bp_delta_design",
     {"delta = 162.66 as given differs by 15.3 % from N D / Va = 191.97 of the given N = 546 rpm, "
      "D = 8.202 ft (2.5 m) and Va = 23.328 kn (12 m/s); the design used the given delta for J "
      "and the pitch ratio, and the given D and N for thrust, torque and power"}},
    {"examples/type07_bp_delta_design_gawn",
     {"delta = 180 as given differs by 28.9 % from N D / Va = 253.15 of the given N = 300 rpm, D "
      "= 9.843 ft (3 m) and Va = 11.664 kn (6 m/s); the design used the given delta for J and the "
      "pitch ratio, and the given D and N for thrust, torque and power"}},
    {"examples/type08_pitch_for_thrust", {kLegacy}, {kB4Table}},
    {"examples/type08_pitch_for_thrust_gawn", {}},
    {"examples/type09_pitch_for_power", {kLegacy}, {kB4Table}},
    {"examples/type09_pitch_for_power_gawn", {}},
    {"examples/type10_pitch_for_torque", {kLegacy}, {kB4Table}},
    {"examples/type10_pitch_for_torque_gawn", {}},
};

constexpr std::string_view kPrefix = "helisolv: warning: ";

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The area ratios a warning names as untested: "at EAR 1.05 and 1.10, outside".
std::vector<std::string> namedAreaRatios(const std::vector<std::string>& warnings) {
  std::vector<std::string> named;
  for (const std::string& w : warnings) {
    const size_t from =
        w.find("has rows at EAR ") != std::string::npos
            ? w.find("has rows at EAR ") + 16
            : (w.find("has a row at EAR ") != std::string::npos ? w.find("has a row at EAR ") + 17
                                                                : std::string::npos);
    if (from == std::string::npos) continue;
    std::istringstream words(w.substr(from, w.find(", outside") - from));
    for (std::string word; words >> word;) {
      if (word == "and") continue;
      if (word.back() == ',') word.pop_back();
      named.push_back(word);
    }
  }
  return named;
}

class Warnings : public ::testing::TestWithParam<Case> {};

TEST_P(Warnings, AreSaidOnceOnStandardErrorAndInRunCsvAndLeaveTheReportAlone) {
  const Case& c = GetParam();
  const fs::path src = kCasesDir / c.dir;
  const fs::path work = scratchFolder(std::string("warn_") + c.dir);
  Invocation invocation = stageCase(src, work);
  invocation.args.insert(invocation.args.end(), {"--csv", "out"});
  const Outcome o = runBinary(work, invocation);
  const int status = o.status;

  // The report and the status, byte for byte as without any warning.
  EXPECT_EQ(status, std::stoi(slurp(src / "expected.rc")));
  EXPECT_EQ(firstDifference(slurp(src / "expected.stdout"), o.out), "") << "console";
  EXPECT_EQ(firstDifference(slurp(src / "expected.son"), slurp(work / "Helisolv.Son")), "");

  // Standard error: the warnings, each on a line of its own; after a
  // run-time error also its report, before them.
  std::vector<std::string> said;
  for (const std::string& line : linesOf(o.err)) {
    if (line.rfind(kPrefix, 0) == 0) {
      said.push_back(line.substr(kPrefix.size()));
    } else {
      EXPECT_EQ(status, 1) << "a line that is no warning: " << line;
      EXPECT_TRUE(said.empty()) << "the report after a warning: " << line;
    }
  }
  EXPECT_EQ(said, c.warnings);

  // run.csv: one warning row per warning, in the same order.
  std::vector<std::string> rows;
  for (const auto& row : readCsv(work / "out" / "run.csv"))
    if (row.size() == 3 && row[0] == "warning") rows.push_back(row[1]);
  EXPECT_EQ(rows, c.warnings);
  std::vector<std::string> notes;
  for (const auto& row : readCsv(work / "out" / "run.csv"))
    if (row.size() == 3 && row[0] == "note") notes.push_back(row[1]);
  EXPECT_EQ(notes, c.notes);

  // area_ratio.csv marks untested exactly the rows the warning names.
  if (fs::exists(work / "out" / "area_ratio.csv")) {
    std::vector<std::string> untested;
    const CsvRows table = readCsv(work / "out" / "area_ratio.csv");
    EXPECT_EQ(table[0], (std::vector<std::string>{"EAR", "P/D", "eta0", "tested"}));
    for (size_t i = 1; i < table.size(); ++i) {
      EXPECT_TRUE(table[i][3] == "0" || table[i][3] == "1") << table[i][3];
      if (table[i][3] == "0") {
        std::ostringstream ear;
        ear.precision(2);
        ear << std::fixed << std::stof(table[i][0]);
        untested.push_back(ear.str());
      }
    }
    std::vector<std::string> named = namedAreaRatios(c.warnings);
    for (const std::string& n : namedAreaRatios(c.notes)) named.push_back(n);
    EXPECT_EQ(untested, named);
  }
  fs::remove_all(work);
}

INSTANTIATE_TEST_SUITE_P(Runs, Warnings, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return testName(info.param.dir); });

// A task of its own through the real binary with --csv: the warnings said on
// standard error and the notes of run.csv.
struct TrialRun {
  int status = -1;
  std::vector<std::string> warnings, notes;
};
TrialRun runTrial(const std::string& series, const std::string& type, const std::string& inputs,
                  const std::string& args = "", const std::string& answers = "") {
  const fs::path work = scratchFolder("trial");
  std::ofstream(work / "Helisolv.Tsk") << fixedLineTask(series, type, inputs);
  Invocation invocation = withArgs({"--csv", "out"});
  if (!args.empty()) invocation.args.push_back(args);
  const Outcome o = runBinaryWithAnswers(work, invocation, answers);
  TrialRun run;
  run.status = o.status;
  for (const std::string& line : linesOf(o.err))
    if (line.rfind(kPrefix, 0) == 0) run.warnings.push_back(line.substr(kPrefix.size()));
  for (const auto& row : readCsv(work / "out" / "run.csv"))
    if (row.size() == 3 && row[0] == "note") run.notes.push_back(row[1]);
  fs::remove_all(work);
  return run;
}

// Ordinary designs print only what a designer would act on: a bulk carrier
// (type 9, 7500 kW at 105 rpm, D 6.2 m, B4-55), a tug's bollard pull (B4-70 at
// 187.5 rpm, D 2.6 to 3.0 m) and a three-bladed Gawn patrol boat at 30 kn,
// whose cavitation is real trouble.
TEST(TrialDesigns, WarnOnlyOfRealTrouble) {
  const std::string bulk = "7500 6.2 105 6.0 1025 4 0.55 0 7.4";
  TrialRun r = runTrial("1", "9", bulk);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.warnings, std::vector<std::string>{});
  EXPECT_EQ(r.notes, std::vector<std::string>{kB4Table});
  // A tip speed limit of the user's own.
  r = runTrial("1", "9", bulk, "--tip-speed-limit=30");
  EXPECT_EQ(r.warnings, std::vector<std::string>{
                            "tip speed Vtip = 34.09 m/s is above the limit of 30 m/s set by "
                            "--tip-speed-limit: tip vortex cavitation is likely"});

  r = runTrial("1", "4", "1800 187.5 1025 4 0.70 2.6 2.8 3.0", "", "2\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.warnings, std::vector<std::string>{});

  const std::string patrol = "1500 0.95 1400 14.6 1025 3 0.8 0 1.0";
  for (const char* model : {"", "--gawn-model=regression"}) {
    SCOPED_TRACE(model);
    r = runTrial("2", "9", patrol, model);
    EXPECT_EQ(r.status, 0);
    ASSERT_EQ(r.warnings.size(), 2u) << ::testing::PrintToString(r.warnings);
    EXPECT_NE(r.warnings[0].find("lies off Burrill's chart"), std::string::npos);
    EXPECT_NE(r.warnings[1].find("below Keller's minimum area ratio"), std::string::npos);
    // The regression's design point lies inside its fit; its table rows do not.
    EXPECT_EQ(r.notes.size(), *model ? 1u : 0u) << ::testing::PrintToString(r.notes);
  }
}

// Each unit mistake of the trial is named by the input that is wrong.
TEST(TrialDesigns, UnitMistakesNameTheWrongInput) {
  // Revolutions in rev/s: the revolutions, not the power as before.
  TrialRun r = runTrial("1", "9", "7500 6.2 1.75 6.0 1025 4 0.55 0 7.4");
  EXPECT_EQ(r.warnings, std::vector<std::string>{
                            "N = 1.75 rpm is too slow for a propeller of D = 6.2 m (none turns "
                            "under 20 rpm): probably given in rev/s (1.75 rev/s is 105 rpm)"});
  // A Kq/J^5 design with the power in W: a 26.9 m propeller.
  r = runTrial("1", "3", "7500000 6.0 105 1025 4 0.55");
  EXPECT_EQ(r.status, 0);
  ASSERT_EQ(r.warnings.size(), 2u) << ::testing::PrintToString(r.warnings);
  EXPECT_EQ(r.warnings[1],
            "the diameter found, D = 26.904 m, is over 15 m, which no ship's propeller is: the "
            "required power of 7500000 kW was probably given in W (7500 kW)");
  // The same design in kW: no warning.
  EXPECT_EQ(runTrial("1", "3", "7500 6.0 105 1025 4 0.55").warnings, std::vector<std::string>{});
  // The speed of advance in knots, where it takes J beyond the series (here the
  // requirement would otherwise have been named as given in W).
  r = runTrial("1", "9", "7500 6.2 105 17 1025 4 0.55 0 7.4");
  EXPECT_EQ(r.warnings, std::vector<std::string>{
                            "the duty's J = Va / (n D) = 1.567 lies beyond the series: even its "
                            "largest pitch ratio, P/D 1.4, gives no thrust there; the speed of "
                            "advance Va = 17 m/s was perhaps given in knots (17 kn is 8.745 m/s), "
                            "or the revolutions N = 105 rpm are too low"});
}

}  // namespace
