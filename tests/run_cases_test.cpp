// Runs the real binary on every recorded case: a fresh folder with the case's
// task file, the console answers on standard input, and a byte-for-byte
// comparison of the console, the result file and the exit status.
//
// A case is a folder under tests/conformance, tests/e2e, tests/examples or tests/english
// (the examples run with --lang=en) holding
//   Helisolv.Tsk     the task file (absent: the run starts without one; a case
//                    under tests/examples runs the bundled examples/NAME.Tsk)
//   stdin.txt        the console answers (absent: no input)
//   expected.stdout  the exact console bytes
//   expected.son     the exact result-file bytes (absent: no result file)
//   expected.rc      the exit status
//   args.txt         command-line arguments, one a line (absent: none)
// After exit status 1, standard error must hold the report, "\nrun-time error ..." (a note
// that a pause reply was not run may come before it).

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "slurp.hpp"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> caseNames(bool withWarnings = false) {
  std::vector<std::string> names;
  for (const char* group : {"conformance", "e2e", "examples", "english", "warnings"}) {
    if (!withWarnings && std::string_view(group) == "warnings") continue;
    fs::path dir = fs::path(HELISOLV_CASES_DIR) / group;
    if (!fs::exists(dir)) continue;
    for (const auto& e : fs::directory_iterator(dir))
      if (e.is_directory() && fs::exists(e.path() / "expected.rc"))
        names.push_back(std::string(group) + "/" + e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Shows where two byte strings part, with a little context.
std::string firstDifference(const std::string& want, const std::string& got) {
  size_t i = 0;
  while (i < want.size() && i < got.size() && want[i] == got[i]) ++i;
  size_t from = i > 120 ? i - 120 : 0;
  return "first difference at byte " + std::to_string(i) + "\n--- expected from there:\n" +
         want.substr(from, 240) + "\n--- got from there:\n" + got.substr(from, 240);
}

// A German locale, made once with localedef in a temporary folder (a bare
// machine has none installed): the environment that sets it, or empty with
// why not in `failure`.
std::string commaLocaleEnvironment(std::string& failure) {
  static std::string environment, why;
  static const bool made = [] {
    const fs::path dir =
        fs::temp_directory_path() / ("helisolv_locales_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string cmd =
        "localedef -i de_DE -f UTF-8 '" + (dir / "de_DE.UTF-8").string() + "' > /dev/null 2>&1";
    const int raw = std::system(cmd.c_str());
    // localedef exits 1 when it only warns; the locale is then made all the same.
    if (!WIFEXITED(raw) || WEXITSTATUS(raw) > 1 || !fs::is_directory(dir / "de_DE.UTF-8")) {
      why = "localedef could not make de_DE.UTF-8 (status " + std::to_string(raw) + ")";
      return false;
    }
    environment = "LOCPATH='" + dir.string() + "' LC_ALL=de_DE.UTF-8 LANG=de_DE.UTF-8 ";
    return true;
  }();
  failure = why;
  return made ? environment : std::string();
}

// Runs a recorded case with `environment` set; empty: the caller's.
void checkCase(const std::string& name, const std::string& environment);

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

void checkCase(const std::string& name, const std::string& environment) {
  const fs::path src = fs::path(HELISOLV_CASES_DIR) / name;
  std::string tag = (environment.empty() ? "" : "locale_") + name;
  for (char& ch : tag)
    if (ch == '/') ch = '_';
  const fs::path work =
      fs::temp_directory_path() / ("helisolv_case_" + tag + "_" + std::to_string(::getpid()));
  fs::remove_all(work);
  fs::create_directories(work);
  const fs::path example =
      fs::path(HELISOLV_CASES_DIR) / ".." / "examples" / (src.filename().string() + ".Tsk");
  if (fs::exists(src / "Helisolv.Tsk"))
    fs::copy_file(src / "Helisolv.Tsk", work / "Helisolv.Tsk");
  else if (src.parent_path().filename() == "examples" && fs::exists(example))
    fs::copy_file(example, work / "Helisolv.Tsk");
  const std::string input =
      fs::exists(src / "stdin.txt") ? (src / "stdin.txt").string() : std::string("/dev/null");

  std::string args;
  if (fs::exists(src / "args.txt")) {
    std::istringstream lines(slurp(src / "args.txt"));
    for (std::string arg; std::getline(lines, arg);)
      if (!arg.empty()) args += " '" + arg + "'";
  }
  const std::string run = "env -u COMSPEC " + environment + "timeout 30 '" + HELISOLV_BINARY + "'" +
                          args + " < '" + input + "'";
  const std::string cmd = "cd '" + work.string() + "' && " + run + " > stdout.bin 2> stderr.bin";
  const int raw = std::system(cmd.c_str());
  ASSERT_TRUE(WIFEXITED(raw)) << "the program did not exit normally";
  const int status = WEXITSTATUS(raw);

  const int wantStatus = std::stoi(slurp(src / "expected.rc"));
  EXPECT_EQ(status, wantStatus);

  const std::string wantOut = slurp(src / "expected.stdout");
  const std::string gotOut = slurp(work / "stdout.bin");
  EXPECT_TRUE(wantOut == gotOut) << "console differs: " << firstDifference(wantOut, gotOut);

  if (fs::exists(src / "expected.son")) {
    ASSERT_TRUE(fs::exists(work / "Helisolv.Son")) << "no result file";
    const std::string wantSon = slurp(src / "expected.son");
    const std::string gotSon = slurp(work / "Helisolv.Son");
    EXPECT_TRUE(wantSon == gotSon) << "result file differs: " << firstDifference(wantSon, gotSon);
  } else {
    EXPECT_FALSE(fs::exists(work / "Helisolv.Son")) << "unexpected result file";
  }

  if (wantStatus == 1) {
    const std::string err = slurp(work / "stderr.bin");
    EXPECT_NE(err.find("\nrun-time error "), std::string::npos) << "stderr: " << err;
  }
  if (!environment.empty()) {
    // Standard error as in the caller's locale: the same run again without it.
    const std::string errUnder = slurp(work / "stderr.bin");
    fs::remove(work / "Helisolv.Son");
    const std::string again = "cd '" + work.string() + "' && env -u COMSPEC -u LC_ALL -u LANG " +
                              "timeout 30 '" + HELISOLV_BINARY + "'" + args + " < '" + input +
                              "' > /dev/null 2> stderr.bin";
    ASSERT_EQ(std::system(again.c_str()) == 0, status == 0);
    const std::string errPlain = slurp(work / "stderr.bin");
    EXPECT_TRUE(errUnder == errPlain)
        << "standard error differs: " << firstDifference(errPlain, errUnder);
  }
  fs::remove_all(work);
}

INSTANTIATE_TEST_SUITE_P(Cases, RecordedCase, ::testing::ValuesIn(caseNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string n = info.param;
                           for (char& ch : n)
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return n;
                         });
INSTANTIATE_TEST_SUITE_P(CommaLocale, RecordedCaseUnderCommaLocale,
                         ::testing::ValuesIn(caseNames(true)),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string n = info.param;
                           for (char& ch : n)
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return n;
                         });

}  // namespace
