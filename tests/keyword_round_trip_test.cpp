// Every recorded run's task converted to a keyword file and run from it, and
// converted back to a fixed-line file and run from that: the console, the
// result file and the exit status must be the recorded bytes each time. The
// keyword run names its task on the command line, so its result file is the
// one beside it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "slurp.hpp"

namespace fs = std::filesystem;

namespace {

const fs::path kCases = HELISOLV_CASES_DIR;

// The recorded runs that start with a task file.
std::vector<std::string> caseNames() {
  std::vector<std::string> names;
  for (const char* group : {"conformance", "e2e", "examples", "warnings"}) {
    const fs::path dir = kCases / group;
    if (!fs::exists(dir)) continue;
    for (const auto& e : fs::directory_iterator(dir)) {
      const bool example =
          std::string(group) == "examples" &&
          fs::exists(kCases / ".." / "examples" / (e.path().filename().string() + ".Tsk"));
      if (e.is_directory() && fs::exists(e.path() / "expected.rc") &&
          (fs::exists(e.path() / "Helisolv.Tsk") || example))
        names.push_back(std::string(group) + "/" + e.path().filename().string());
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

struct Outcome {
  int status = -1;
  std::string out, err;
};

// Runs the binary in dir with these arguments (already quoted) and input.
Outcome runIn(const fs::path& dir, const std::string& args, const std::string& input) {
  const std::string cmd = "cd '" + dir.string() + "' && env -u COMSPEC timeout 30 '" +
                          HELISOLV_BINARY + "' " + args + " < '" + input +
                          "' > stdout.bin 2> stderr.bin";
  const int raw = std::system(cmd.c_str());
  Outcome o;
  if (WIFEXITED(raw)) o.status = WEXITSTATUS(raw);
  o.out = slurp(dir / "stdout.bin");
  o.err = slurp(dir / "stderr.bin");
  return o;
}

class KeywordRoundTrip : public ::testing::TestWithParam<std::string> {};

TEST_P(KeywordRoundTrip, KeywordAndFixedLineRunsGiveTheRecordedBytes) {
  const fs::path src = kCases / GetParam();
  std::string tag = GetParam();
  std::replace(tag.begin(), tag.end(), '/', '_');
  const fs::path work =
      fs::temp_directory_path() / ("helisolv_kw_" + tag + "_" + std::to_string(::getpid()));
  fs::remove_all(work);
  fs::create_directories(work / "keyword");
  fs::create_directories(work / "fixed");
  const fs::path task = fs::exists(src / "Helisolv.Tsk")
                            ? src / "Helisolv.Tsk"
                            : kCases / ".." / "examples" / (src.filename().string() + ".Tsk");
  const std::string input =
      fs::exists(src / "stdin.txt") ? (src / "stdin.txt").string() : std::string("/dev/null");
  std::string args;
  if (fs::exists(src / "args.txt")) {
    std::istringstream lines(slurp(src / "args.txt"));
    for (std::string arg; std::getline(lines, arg);)
      if (!arg.empty()) args += " '" + arg + "'";
  }
  const int wantStatus = std::stoi(slurp(src / "expected.rc"));
  const std::string wantOut = slurp(src / "expected.stdout");
  const bool wantSon = fs::exists(src / "expected.son");
  const std::string son = wantSon ? slurp(src / "expected.son") : std::string();

  fs::copy_file(task, work / "keyword" / "original.Tsk");
  const Outcome toToml = runIn(work / "keyword", "convert original.Tsk", "/dev/null");
  if (toToml.status != 0) {
    // Only a task the run itself cannot read has no keyword form.
    EXPECT_EQ(toToml.status, 1);
    EXPECT_EQ(wantStatus, 1) << "convert refused a task that runs: " << toToml.err;
    fs::remove_all(work);
    return;
  }
  std::ofstream(work / "keyword" / "task.toml", std::ios::binary) << toToml.out;

  const Outcome keyword = runIn(work / "keyword", args + " task.toml", input);
  EXPECT_EQ(keyword.status, wantStatus) << keyword.err << "\n" << toToml.out;
  EXPECT_TRUE(keyword.out == wantOut) << "keyword run's console differs\n" << toToml.out;
  EXPECT_EQ(fs::exists(work / "keyword" / "task.Son"), wantSon);
  if (wantSon) {
    EXPECT_TRUE(slurp(work / "keyword" / "task.Son") == son) << "keyword run's result file differs";
  }

  const Outcome toFixed = runIn(work / "keyword", "convert task.toml", "/dev/null");
  ASSERT_EQ(toFixed.status, 0) << toFixed.err;
  std::ofstream(work / "fixed" / "Helisolv.Tsk", std::ios::binary) << toFixed.out;
  const Outcome fixed = runIn(work / "fixed", args, input);
  EXPECT_EQ(fixed.status, wantStatus) << fixed.err;
  EXPECT_TRUE(fixed.out == wantOut) << "converted fixed-line run's console differs";
  EXPECT_EQ(fs::exists(work / "fixed" / "Helisolv.Son"), wantSon);
  if (wantSon) {
    EXPECT_TRUE(slurp(work / "fixed" / "Helisolv.Son") == son)
        << "converted fixed-line run's result file differs";
  }
  fs::remove_all(work);
}

INSTANTIATE_TEST_SUITE_P(Cases, KeywordRoundTrip, ::testing::ValuesIn(caseNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string n = info.param;
                           for (char& ch : n)
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return n;
                         });

}  // namespace
