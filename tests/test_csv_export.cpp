// The CSV export (--csv DIR) through the real binary: for every bundled example
// the report stays byte for byte what it is without the option, and every value
// of the CSV files is the number the report prints for it, to the printed
// decimals; a refused run and a folder that cannot be written.

#include <gtest/gtest.h>
#include <pwd.h>

#include <map>
#include <regex>

#include "binary_run.hpp"
#include "csv_file.hpp"
#include "io/edit.hpp"
#include "io/runtime_error.hpp"

namespace {

using namespace helisolv::test;
using Rows = CsvRows;

struct CsvRun {
  int status = -1;
  std::string console, son, errors;
};

// One run of the binary in work (created empty unless it exists) on a task.
CsvRun runIn(const fs::path& work, const fs::path& task, std::vector<std::string> args,
             const std::string& answers, const std::string& as = "") {
  fs::create_directories(work);
  if (!task.empty())
    fs::copy_file(task, work / "Helisolv.Tsk", fs::copy_options::overwrite_existing);
  Invocation invocation = withArgs(std::move(args));
  invocation.prefix = as;
  const Outcome o = runBinaryWithAnswers(work, invocation, answers);
  return {o.status, o.out, slurp(work / "Helisolv.Son"), o.err};
}

// True when the CSV text prints as the report's token: a whole number as
// itself, a real edited with the token's decimals (Kq scaled to 10Kq as the
// report does it, in 32 bits), a field of asterisks as an empty value.
::testing::AssertionResult printsAs(const std::string& csv, const std::string& token, float scale) {
  if (token.find_first_not_of('*') == std::string::npos) {
    if (csv.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << csv << " printed as " << token;
  }
  if (csv.empty()) return ::testing::AssertionFailure() << "empty value printed as " << token;
  const size_t point = token.find('.');
  std::string shown;
  if (point == std::string::npos) {
    shown = std::to_string(std::stoi(csv));
  } else {
    const float value = std::stof(csv) * scale;
    shown = helisolv::editReal(value, 40, static_cast<int>(token.size() - point - 1));
    shown.erase(0, shown.find_first_not_of(' '));
  }
  if (shown == token) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << csv << " would print " << shown << ", report has " << token;
}

std::vector<std::string> sonRecords(const std::string& son) {
  std::vector<std::string> records;
  for (size_t at = 0; at < son.size();) {
    const size_t end = son.find("\r\n", at);
    records.push_back(son.substr(at, end - at));
    at = end == std::string::npos ? son.size() : end + 2;
  }
  return records;
}

bool isRule(const std::string& record) {
  const size_t first = record.find_first_not_of(' ');
  return first != std::string::npos && record.compare(first, 3, "---") == 0;
}

// The rows of the report table whose column titles match titles: the records
// between the rule after the titles and the next rule, split into numbers.
std::vector<std::vector<std::string>> sonTable(const std::vector<std::string>& records,
                                               const std::regex& titles,
                                               std::vector<bool>& marked) {
  std::vector<std::vector<std::string>> rows;
  size_t i = 0;
  while (i < records.size() && !std::regex_search(records[i], titles)) ++i;
  while (i < records.size() && !isRule(records[i])) ++i;
  for (++i; i < records.size() && !isRule(records[i]); ++i) {
    std::istringstream words(records[i]);
    std::vector<std::string> numbers;
    for (std::string w; words >> w;)
      if (w.find_first_of("0123456789.") != std::string::npos || w.find("**") == 0)
        if (w != "**D**") numbers.push_back(w);
    // The design row: **D** after it (types 8 to 10), or * around its J (type 6).
    marked.push_back(records[i].find("**D**") != std::string::npos ||
                     std::regex_search(records[i], std::regex(R"(^ *\d+ \* )")));
    rows.push_back(numbers);
  }
  return rows;
}

// Where each CSV table sits in the report: its column titles, and for each
// printed column the CSV column it is (-1: the row counter the CSV leaves out).
struct TableLayout {
  const char* file;
  const char* titles;
  std::vector<int> columns;
};
const TableLayout kTables[] = {
    {"candidates.csv", R"(^ +i +P/D +J +Kt)", {0, 1, 2, 3, 4, 5, 6, 7}},
    {"bollard.csv", R"(^ +i +D\(m\))", {0, 1, 2, 3, 4, 5}},
    {"open_water.csv", R"(^ +i +J +Kt)", {-1, 0, 1, 2, 3, 4, 5}},
    {"bp_delta.csv", R"(^ +i +P/D +Kt)", {-1, 0, 1, 2, 3, 4, 5}},
    {"pitch_sweep.csv", R"(^ +i +P/D +(T\(kN\)|Pd\(kW\)|Q\(kNm\)))", {-1, 0, 1}},
    {"area_ratio.csv", R"(^ +i +Ae +P/D +Eta0)", {-1, 0, 1, 2}},
};

// Report labels of the values that are not in a table: the number after the
// first match (in the result block, from the series line on, when it is there).
const std::map<std::string, std::string> kLabels = {
    {"pitch ratio", R"(P/D\s*=\s*(\S+))"},
    {"J", R"((?:^|\s)J\s*=\s*(\S+))"},
    {"Kt", R"(Kt=\s*(\S+))"},
    {"Kq", R"(10Kq=\s*(\S+))"},
    {"eta0", R"((?:eta|Eta0)=\s*(\S+))"},
    {"Bp", R"(Bp=\s*(\S+))"},
    {"delta", R"(delta=\s*(\S+))"},
    {"thrust", R"((?:^|\s)T\s*=\s*(\S+))"},
    {"speed of advance", R"(Va=\s*(\S+))"},
    {"density", R"(RHO =\s*(\S+))"},
    {"blades", R"((?:^|\s)Z\s*=\s*(\S+))"},
    {"area ratio", R"((?:^|\s)EAR\s*=\s*(\S+))"},
    {"diameter", R"((?:^|\s)D\s*=\s*(\S+))"},
    {"tip speed", R"(Vtip\s*=\s*(\S+))"},
    {"rps", R"(RPS=\s*(\S+))"},
    {"rpm", R"(RPM=\s*(\S+))"},
    {"torque", R"(TORK=\s*(\S+))"},
    {"delivered power", R"(Pd=\s*(\S+))"},
    {"chosen row", R"(SECILEN PERVANE =\s*(\d+))"},
    // The blade checks, by their column names.
    {"EAR", R"(Mevcut EAR =\s*(\S+))"},
    {"sigma 0.7R", R"(Sigma =\s*(\S+))"},
    {"tau_c", R"(Tauc =\s*(\S+))"},
    {"min EAR Burrill 2.5%", R"(%2\.5 Sirt .* EAR =\s*(\S+))"},
    {"min EAR Burrill 5%", R"(%5\.0 Sirt .* EAR =\s*(\S+))"},
    {"min EAR recommended upper limit", R"(ust sinir icin Minimum +EAR =\s*(\S+))"},
    {"min EAR Keller", R"(^ Min\. EAR =\s*(\S+))"},
    {"min EAR Keller single screw", R"(EAR =\s*(\S+) -> Tek)"},
    {"min EAR Keller fast twin screw", R"(EAR =\s*(\S+) -> Hizli)"},
    {"min EAR Keller slow twin screw", R"(EAR =\s*(\S+) -> Yavas)"},
    {"tip speed [m/s]", R"(Vtip =\s*(\S+))"},
};

// The printed number after a label's first match: in the records from the
// series line on, or anywhere when it is not printed there.
std::string printedAfter(const std::vector<std::string>& records, const std::string& label) {
  const std::regex re(label);
  size_t from = 0;
  while (from < records.size() && records[from].find("KULLANILMISTIR") == std::string::npos) ++from;
  for (size_t start : {from, size_t{0}}) {
    for (size_t i = start; i < records.size(); ++i) {
      std::smatch m;
      if (std::regex_search(records[i], m, re)) return m[1];
    }
  }
  return {};
}

// The entries of a CSV folder a user works with: the program's sets folder,
// which its names link into, aside.
size_t visibleEntries(const fs::path& dir) {
  size_t n = 0;
  for (const auto& e : fs::directory_iterator(dir)) n += e.path().filename() != ".helisolv-csv";
  return n;
}

std::vector<std::string> exampleNames() {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(kCasesDir / ".." / "examples"))
    if (e.path().extension() == ".Tsk") names.push_back(e.path().stem().string());
  std::sort(names.begin(), names.end());
  return names;
}

class CsvExample : public ::testing::TestWithParam<std::string> {};

TEST_P(CsvExample, LeavesTheReportAloneAndHoldsThePrintedNumbers) {
  // The recorded run with --csv: its report stays the recorded bytes.
  const fs::path base = scratchFolder("csv_" + GetParam());
  const fs::path recorded = kCasesDir / "examples" / GetParam();
  Invocation invocation = stageCase(recorded, base);
  invocation.args.insert(invocation.args.end(), {"--csv", "out"});
  const Outcome ran = runBinary(base, invocation);
  const CsvRun csv{ran.status, ran.out, slurp(base / "Helisolv.Son"), ran.err};
  ASSERT_EQ(csv.status, std::stoi(slurp(recorded / "expected.rc")));
  EXPECT_EQ(firstDifference(slurp(recorded / "expected.stdout"), csv.console), "");
  EXPECT_EQ(firstDifference(slurp(recorded / "expected.son"), csv.son), "");

  const fs::path out = base / "out";
  const Rows run = readCsv(out / "run.csv");
  ASSERT_FALSE(run.empty());
  EXPECT_EQ(run[0], (std::vector<std::string>{"quantity", "value", "unit"}));
  size_t outcome = 0;
  while (outcome < run.size() && run[outcome][0] != "outcome") ++outcome;
  ASSERT_LT(outcome, run.size());
  EXPECT_EQ(run[outcome][1], csv.status == 3 ? "refused" : "result");

  // No input shares its name with a result: an achieved value is never
  // called by the requirement's name.
  for (size_t i = 1; i < outcome; ++i)
    for (size_t k = outcome + 1; k < run.size(); ++k)
      EXPECT_NE(run[i][0], run[k][0]) << "an input and a result are both called " << run[i][0];

  // Every value after the outcome is a printed one, up to the warnings; the
  // record ends naming each table file with its count of rows, and no other
  // file is there.
  const std::vector<std::string> records = sonRecords(csv.son);
  size_t named = 0;
  for (size_t i = outcome + 1; i < run.size() && csv.status == 0; ++i) {
    if (run[i][0].starts_with("rows in ")) {
      const std::string file = run[i][0].substr(8);
      EXPECT_EQ(readCsv(out / file).size(), std::stoul(run[i][1]) + 1) << file;
      ++named;
      continue;
    }
    EXPECT_EQ(named, 0u) << run[i][0] << " after the table files";
    if (run[i][0] == "warning" || run[i][0] == "note") continue;
    if (run[i][0] == "thrust in tonnes-force") {
      // Not printed: the bollard thrust in kN over the standard gravity.
      const auto thrust =
          std::find_if(run.begin(), run.end(), [](const auto& row) { return row[0] == "thrust"; });
      ASSERT_NE(thrust, run.end());
      EXPECT_EQ(std::stof(run[i][1]), std::stof((*thrust)[1]) / 9.80665f);
      EXPECT_EQ(run[i][2], "tf");
      continue;
    }
    const auto label = kLabels.find(run[i][0]);
    ASSERT_NE(label, kLabels.end()) << "no report label for " << run[i][0];
    const std::string token = printedAfter(records, label->second);
    EXPECT_TRUE(printsAs(run[i][1], token, run[i][0] == "Kq" ? 10.0f : 1.0f)) << run[i][0];
  }

  // The bollard thrust in kN and tonnes-force beside the report's newtons.
  if (fs::exists(out / "bollard.csv")) {
    const Rows rows = readCsv(out / "bollard.csv");
    ASSERT_EQ(rows[0][5] + rows[0][6] + rows[0][7], "T [N]T [kN]T [tf]");
    for (size_t r = 1; r < rows.size(); ++r) {
      EXPECT_EQ(std::stof(rows[r][6]), std::stof(rows[r][5]) / 1000.0f) << r;
      EXPECT_EQ(std::stof(rows[r][7]), std::stof(rows[r][6]) / 9.80665f) << r;
    }
  }

  // Every table: the report's rows, column by column, and its marked row.
  int tables = 0;
  for (const TableLayout& layout : kTables) {
    if (!fs::exists(out / layout.file)) continue;
    ++tables;
    const Rows rows = readCsv(out / layout.file);
    std::vector<bool> marked;
    const auto printed = sonTable(records, std::regex(layout.titles), marked);
    ASSERT_EQ(rows.size(), printed.size() + 1) << layout.file;
    for (size_t r = 0; r < printed.size(); ++r) {
      ASSERT_EQ(printed[r].size(), layout.columns.size()) << layout.file << " row " << r + 1;
      for (size_t c = 0; c < layout.columns.size(); ++c) {
        if (layout.columns[c] < 0) continue;
        const auto k = static_cast<size_t>(layout.columns[c]);
        EXPECT_TRUE(printsAs(rows[r + 1][k], printed[r][c], rows[0][k] == "Kq" ? 10.0f : 1.0f))
            << layout.file << " row " << r + 1 << " column " << rows[0][k];
      }
      // The marked row: the report's design row, or the row the report says it chose.
      std::string mark;
      if (rows[0].back() == "design") mark = marked[r] ? "1" : "0";
      if (rows[0].back() == "chosen")
        mark = printedAfter(records, kLabels.at("chosen row")) == std::to_string(r + 1) ? "1" : "0";
      EXPECT_TRUE(mark.empty() || rows[r + 1].back() == mark) << layout.file << " row " << r + 1;
    }
  }
  if (fs::exists(out / "blade_checks.csv")) {
    const Rows checks = readCsv(out / "blade_checks.csv");
    ASSERT_EQ(checks.size(), 2u);
    for (size_t c = 0; c < checks[0].size(); ++c) {
      const std::string token = printedAfter(records, kLabels.at(checks[0][c]));
      if (checks[1][c].empty() && token.empty()) continue;  // no Burrill check for Gawn
      EXPECT_TRUE(printsAs(checks[1][c], token, 1.0f)) << checks[0][c];
    }
    // The Burrill lines go with the Burrill check: 8 points of 2.5 %, 7 of 5 %,
    // and the recommended upper limit from sigma 0.10 to 1.50.
    EXPECT_EQ(fs::exists(out / "burrill_lines.csv"), !checks[1][1].empty());
    if (!checks[1][1].empty()) {
      const Rows lines = readCsv(out / "burrill_lines.csv");
      EXPECT_EQ(lines[0], (std::vector<std::string>{"line", "sigma", "tau_c"}));
      std::map<std::string, std::vector<std::vector<std::string>>> byLine;
      for (size_t i = 1; i < lines.size(); ++i) byLine[lines[i][0]].push_back(lines[i]);
      EXPECT_EQ(byLine["2.5% back cavitation"].size(), 8u);
      EXPECT_EQ(byLine["5% back cavitation"].size(), 7u);
      const auto& upper = byLine["recommended upper limit"];
      ASSERT_EQ(upper.size(), 29u);
      EXPECT_EQ(upper.front()[1], "0.1");
      EXPECT_EQ(upper.back()[1], "1.5");
      // At sigma 1.0 the cubic is 0.0331 + 0.382 - 0.1968 + 0.056.
      EXPECT_NEAR(std::stof(upper[18][2]), 0.2743f, 1e-6f) << upper[18][1];
    }
  }
  if (csv.status == 0 && csv.son.find("Karakteristikleri") != std::string::npos) {
    EXPECT_GT(tables, 0) << "a printed table left no CSV file";
  }
  EXPECT_EQ(visibleEntries(out), named + 1);
  fs::remove_all(base);
}

INSTANTIATE_TEST_SUITE_P(Bundled, CsvExample, ::testing::ValuesIn(exampleNames()));

// A refused run keeps run.csv only, with the message of the refusal as its
// reason; the tables the earlier run's record names are gone, a file of the
// same kind that no record names stays.
TEST(CsvExport, ARefusedRunWritesItsReasonAndNoTables) {
  const fs::path work = scratchFolder("csv_refused");
  const fs::path out = work / "out";
  fs::create_directories(out);
  std::ofstream(out / "open_water.csv") << "J\n0.1\n";
  std::ofstream(out / "candidates.csv") << "my own list\n";
  std::ofstream(out / "run.csv") << "quantity,value,unit\noutcome,result,\nrows in "
                                    "open_water.csv,1,\n";
  // Area ratio 1.2: beyond the Wageningen series.
  std::ofstream(work / "task.txt") << fixedLineTask("1", "5", "1.0 4 1.2");
  const CsvRun o = runIn(work, work / "task.txt", {"--csv=out"}, "\n\n");
  EXPECT_EQ(o.status, 3);
  const Rows run = readCsv(out / "run.csv");
  std::map<std::string, std::string> values;
  for (const auto& row : run) values[row[0]] = row.size() > 1 ? row[1] : "";
  EXPECT_EQ(values["outcome"], "refused");
  EXPECT_NE(values["reason"].find("Ae = 1.2000"), std::string::npos) << values["reason"];
  EXPECT_NE(values["reason"].find("0.3<Ae/Ao<1.05"), std::string::npos) << values["reason"];
  EXPECT_EQ(values["given area ratio"], "1.2");
  EXPECT_FALSE(fs::exists(out / "open_water.csv"));
  EXPECT_EQ(slurp(out / "candidates.csv"), "my own list\n");
  EXPECT_EQ(visibleEntries(out), 2u);
  fs::remove_all(work);
}

// A folder that cannot be made or written ends the run before anything is
// read or written: status 2, the reason on standard error.
TEST(CsvExport, AFolderThatCannotBeWrittenStopsTheRunFirst) {
  const fs::path work = scratchFolder("csv_unwritable");
  std::ofstream(work / "plain_file") << "x";
  const fs::path task = kCasesDir / ".." / "examples" / "type05_open_water_table.Tsk";
  for (const std::string dir : {"plain_file", "plain_file/out", "plain_file/\x1b[2J"}) {
    const CsvRun o = runIn(work, task, {"--csv", dir}, "E\n4 150\n\n\n");
    EXPECT_EQ(o.status, 2) << dir;
    EXPECT_EQ(o.console, "") << dir;
    // The name as given, its escape bytes shown escaped, never sent to the terminal.
    EXPECT_NE(o.errors.find(helisolv::quoted(dir)), std::string::npos) << o.errors;
    EXPECT_EQ(o.errors.find('\x1b'), std::string::npos) << o.errors;
    EXPECT_FALSE(fs::exists(work / "Helisolv.Son")) << dir;
    EXPECT_TRUE(fs::is_regular_file(work / "plain_file"));
  }
  // A folder that can be entered but not written, or written but not entered:
  // root writes anywhere, so a run as root is repeated as nobody.
  std::string as;
  if (geteuid() == 0) {
    const passwd* nobody = getpwnam("nobody");
    if (nobody == nullptr) GTEST_SKIP() << "no user nobody to run as";
    if (std::system("setpriv --help > /dev/null 2>&1") == 0)
      as = "setpriv --reuid=" + std::to_string(nobody->pw_uid) +
           " --regid=" + std::to_string(nobody->pw_gid) + " --clear-groups";
    else if (std::system("runuser --help > /dev/null 2>&1") == 0)
      as = "runuser -u nobody --";
    else
      GTEST_SKIP() << "running as root without setpriv or runuser to run as nobody";
  }
  fs::permissions(work, fs::perms::all);  // the run itself could write its result file here
  for (const fs::perms mode : {fs::perms(0555), fs::perms(0666)}) {
    fs::create_directory(work / "locked");
    fs::permissions(work / "locked", mode);
    const CsvRun o = runIn(work, task, {"--csv", "locked"}, "E\n4 150\n\n\n", as);
    fs::permissions(work / "locked", fs::perms::owner_all);
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.console, "");
    EXPECT_EQ(o.errors, "helisolv: cannot write in the CSV folder \"locked\": Permission denied\n");
    EXPECT_FALSE(fs::exists(work / "Helisolv.Son"));
    EXPECT_TRUE(fs::is_empty(work / "locked"));
    fs::remove(work / "locked");
  }
  fs::remove_all(work);
}

}  // namespace
