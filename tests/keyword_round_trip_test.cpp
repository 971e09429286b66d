// Every recorded run's task converted to a keyword file and run from it, and
// converted back to a fixed-line file and run from that: the console, the
// result file and the exit status must be the recorded bytes each time. The
// keyword run names its task on the command line, so its result file is the
// one beside it.
#include <gtest/gtest.h>

#include <fstream>

#include "binary_run.hpp"

namespace {

using namespace helisolv::test;

// The recorded runs that start with a task file.
std::vector<std::string> withTaskFiles() {
  std::vector<std::string> names;
  for (const std::string& name : recordedCases({"conformance", "e2e", "examples", "warnings"})) {
    const fs::path src = kCasesDir / name;
    if (fs::exists(src / "Helisolv.Tsk") ||
        fs::exists(kCasesDir / ".." / "examples" / (src.filename().string() + ".Tsk")))
      names.push_back(name);
  }
  return names;
}

class KeywordRoundTrip : public ::testing::TestWithParam<std::string> {};

TEST_P(KeywordRoundTrip, KeywordAndFixedLineRunsGiveTheRecordedBytes) {
  const fs::path src = kCasesDir / GetParam();
  const fs::path work = scratchFolder("kw_" + GetParam());
  fs::create_directories(work / "keyword");
  fs::create_directories(work / "fixed");
  Invocation recorded = stageCase(src, work / "keyword");
  fs::rename(work / "keyword" / "Helisolv.Tsk", work / "keyword" / "original.Tsk");
  const int wantStatus = std::stoi(slurp(src / "expected.rc"));
  const std::string wantOut = slurp(src / "expected.stdout");
  const bool wantSon = fs::exists(src / "expected.son");
  const std::string son = wantSon ? slurp(src / "expected.son") : std::string();

  const Outcome toToml = runBinary(work / "keyword", withArgs({"convert", "original.Tsk"}));
  if (toToml.status != 0) {
    // Only a task the run itself cannot read has no keyword form.
    EXPECT_EQ(toToml.status, 1);
    EXPECT_EQ(wantStatus, 1) << "convert refused a task that runs: " << toToml.err;
    fs::remove_all(work);
    return;
  }
  std::ofstream(work / "keyword" / "task.toml", std::ios::binary) << toToml.out;
  Invocation keywordRun = recorded;
  keywordRun.args.push_back("task.toml");
  const Outcome keyword = runBinary(work / "keyword", keywordRun);
  EXPECT_EQ(keyword.status, wantStatus) << keyword.err << "\n" << toToml.out;
  EXPECT_EQ(firstDifference(wantOut, keyword.out), "") << "keyword run's console\n" << toToml.out;
  EXPECT_EQ(fs::exists(work / "keyword" / "task.Son"), wantSon);
  if (wantSon) {
    EXPECT_EQ(firstDifference(son, slurp(work / "keyword" / "task.Son")), "");
  }

  const Outcome toFixed = runBinary(work / "keyword", withArgs({"convert", "task.toml"}));
  ASSERT_EQ(toFixed.status, 0) << toFixed.err;
  std::ofstream(work / "fixed" / "Helisolv.Tsk", std::ios::binary) << toFixed.out;
  const Outcome fixed = runBinary(work / "fixed", recorded);
  EXPECT_EQ(fixed.status, wantStatus) << fixed.err;
  EXPECT_EQ(firstDifference(wantOut, fixed.out), "") << "converted fixed-line run's console";
  EXPECT_EQ(fs::exists(work / "fixed" / "Helisolv.Son"), wantSon);
  if (wantSon) {
    EXPECT_EQ(firstDifference(son, slurp(work / "fixed" / "Helisolv.Son")), "");
  }
  fs::remove_all(work);
}

INSTANTIATE_TEST_SUITE_P(Cases, KeywordRoundTrip, ::testing::ValuesIn(withTaskFiles()),
                         [](const auto& info) { return testName(info.param); });

}  // namespace
