// Runs the real binary on every recorded case: a fresh folder with the case's
// task file, the console answers on standard input, and a byte-for-byte
// comparison of the console, the result file and the exit status.
//
// A case is a folder under tests/conformance, tests/e2e, tests/examples, tests/english (the
// examples run with --lang=en), tests/warnings, tests/csv, tests/hostile or tests/taskfile,
// holding
//   Helisolv.Tsk     the task file (absent: the run starts without one; a case
//                    under tests/examples runs the bundled examples/NAME.Tsk)
//   stdin.txt        the console answers (absent: no input)
//   expected.stdout  the exact console bytes
//   expected.son     the exact result-file bytes (absent: no result file)
//   expected.rc      the exit status
//   args.txt         command-line arguments, one a line (absent: none)
//   files/           files put beside the task file before the run
//   expected.stderr  the exact bytes of standard error (absent: not compared)
//   expected.csv/    the exact CSV tables: the run gets --csv out, and out/ must hold
//                    these files and no others
//   env.txt          environment variables set for the run, NAME=value one a line
//   expected.tree    what the run's folder holds after the run, its streams aside, sorted:
//                    "path/" a folder, "path -> target" a link, "path N" a file of N bytes
//                    (where results went, and that a refused run wrote nothing)
// After exit status 1 with standard error not recorded, it must hold the report,
// "\nrun-time error ..." (a note that a pause reply was not run may come before it).

#include <gtest/gtest.h>

#include "binary_run.hpp"

namespace {

using namespace helisolv::test;

// A German locale, made once with localedef in a temporary folder (a bare
// machine has none installed): the environment that sets it, or empty with
// why not in `failure`.
std::string commaLocaleEnvironment(std::string& failure) {
  static std::string environment, why;
  static const bool made = [] {
    const fs::path dir = scratchFolder("locales");
    const int raw = std::system(("localedef -i de_DE -f UTF-8 " +
                                 shellQuoted((dir / "de_DE.UTF-8").string()) + " > /dev/null 2>&1")
                                    .c_str());
    // localedef exits 1 when it only warns; the locale is then made all the same.
    if (!WIFEXITED(raw) || WEXITSTATUS(raw) > 1 || !fs::is_directory(dir / "de_DE.UTF-8")) {
      why = "localedef could not make de_DE.UTF-8 (status " + std::to_string(raw) + ")";
      return false;
    }
    environment = "LOCPATH=" + shellQuoted(dir.string()) + " LC_ALL=de_DE.UTF-8 LANG=de_DE.UTF-8";
    return true;
  }();
  failure = why;
  return made ? environment : std::string();
}

// The run's folder as expected.tree lists it.
std::string folderTree(const fs::path& work) {
  std::vector<std::string> lines;
  for (auto it = fs::recursive_directory_iterator(work); it != fs::recursive_directory_iterator();
       ++it) {
    const std::string path = it->path().lexically_relative(work).string();
    if (it->is_symlink())
      lines.push_back(path + " -> " + fs::read_symlink(it->path()).string());
    else if (it->is_directory())
      lines.push_back(path + "/");
    else if (path != "stdout.bin" && path != "stderr.bin")
      lines.push_back(path + " " + std::to_string(it->file_size()));
  }
  std::sort(lines.begin(), lines.end());
  std::string tree;
  for (const std::string& line : lines) tree += line + "\n";
  return tree;
}

// Runs a recorded case with `environment` set besides the case's own; empty: the caller's.
void checkCase(const std::string& name, const std::string& environment) {
  const fs::path src = kCasesDir / name;
  const fs::path work = scratchFolder((environment.empty() ? "case_" : "locale_") + name);
  Invocation invocation = stageCase(src, work);
  std::string own;
  std::istringstream variables(fs::exists(src / "env.txt") ? slurp(src / "env.txt") : "");
  for (std::string variable; std::getline(variables, variable);) own += " " + shellQuoted(variable);
  invocation.environment = environment + own;
  const bool csv = fs::is_directory(src / "expected.csv");
  if (csv) invocation.args.insert(invocation.args.end(), {"--csv", "out"});
  const Outcome o = runBinary(work, invocation);
  const int wantStatus = std::stoi(slurp(src / "expected.rc"));
  EXPECT_EQ(o.status, wantStatus);
  EXPECT_EQ(firstDifference(slurp(src / "expected.stdout"), o.out), "") << "console";
  EXPECT_EQ(fs::exists(work / "Helisolv.Son"), fs::exists(src / "expected.son"));
  if (fs::exists(src / "expected.son")) {
    EXPECT_EQ(firstDifference(slurp(src / "expected.son"), slurp(work / "Helisolv.Son")), "")
        << "result file";
  }
  if (fs::exists(src / "expected.stderr")) {
    EXPECT_EQ(firstDifference(slurp(src / "expected.stderr"), o.err), "") << "standard error";
  }
  if (csv) {
    // The tables a user opens: the names in out/, the program's own sets folder aside.
    std::vector<std::string> want, got;
    for (const auto& e : fs::directory_iterator(src / "expected.csv"))
      want.push_back(e.path().filename().string());
    if (fs::is_directory(work / "out"))
      for (const auto& e : fs::directory_iterator(work / "out"))
        if (e.path().filename().string()[0] != '.') got.push_back(e.path().filename().string());
    std::sort(want.begin(), want.end());
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, want) << "CSV tables";
    for (const std::string& name : want)
      EXPECT_EQ(firstDifference(slurp(src / "expected.csv" / name), slurp(work / "out" / name)), "")
          << name;
  }
  if (fs::exists(src / "expected.tree")) {
    EXPECT_EQ(firstDifference(slurp(src / "expected.tree"), folderTree(work)), "") << "files";
  }
  if (wantStatus == 1 && !fs::exists(src / "expected.stderr")) {
    EXPECT_NE(o.err.find("\nrun-time error "), std::string::npos) << o.err;
  }
  if (!environment.empty()) {
    // Standard error as in the caller's locale: the same run again without it.
    fs::remove(work / "Helisolv.Son");
    invocation.environment = "-u LC_ALL -u LANG" + own;
    const Outcome plain = runBinary(work, invocation);
    EXPECT_EQ(plain.status, o.status);
    EXPECT_EQ(firstDifference(plain.err, o.err), "") << "standard error";
  }
  fs::remove_all(work);
}

class RecordedCase : public ::testing::TestWithParam<std::string> {};

TEST_P(RecordedCase, ConsoleResultFileAndStatusMatch) {
  checkCase(GetParam(), "");
}

// The console program under a comma-decimal locale (LC_ALL, LANG): the same
// bytes on every stream, standard error included.
class RecordedCaseUnderCommaLocale : public ::testing::TestWithParam<std::string> {};

TEST_P(RecordedCaseUnderCommaLocale, AllBytesMatch) {
  std::string failure;
  const std::string environment = commaLocaleEnvironment(failure);
  if (environment.empty()) GTEST_SKIP() << failure;
  checkCase(GetParam(), environment);
}

INSTANTIATE_TEST_SUITE_P(Cases, RecordedCase,
                         ::testing::ValuesIn(recordedCases({"conformance", "e2e", "examples",
                                                            "english", "warnings", "csv", "hostile",
                                                            "taskfile"})),
                         [](const auto& info) { return testName(info.param); });
INSTANTIATE_TEST_SUITE_P(CommaLocale, RecordedCaseUnderCommaLocale,
                         ::testing::ValuesIn(recordedCases({"conformance", "e2e", "examples",
                                                            "english", "warnings"})),
                         [](const auto& info) { return testName(info.param); });

}  // namespace
