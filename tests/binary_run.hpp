// Running the real binary: the one place the tests start the program, so that
// every test that needs the console program (recorded cases, English runs,
// keyword round trips, outputs on disk, signals) starts it the same way:
// in a folder of its own, with a timeout, with COMSPEC unset, and with its
// console, error stream and exit status captured.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "slurp.hpp"

namespace helisolv::test {

namespace fs = std::filesystem;

inline const fs::path kCasesDir = HELISOLV_CASES_DIR;

// What a run left: status -1 when the program did not exit by itself (a signal,
// the timeout's kill).
struct Outcome {
  int status = -1;
  std::string out, err;
};

// A fresh empty folder under the temporary folder, named after `tag` and this
// process, so that parallel test binaries never share one.
inline fs::path scratchFolder(std::string tag) {
  std::replace(tag.begin(), tag.end(), '/', '_');
  const fs::path dir =
      fs::temp_directory_path() / ("helisolv_" + tag + "_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

inline std::string shellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

struct Invocation {
  std::vector<std::string> args;  // after the program's name
  std::string inputFile;          // standard input; empty: /dev/null
  std::string environment;        // "NAME=value ..." set for the run; empty: the caller's
  std::string prefix;             // a command the program runs under (nohup, setpriv ...)
  int timeoutSeconds = 30;
};

// A run with these arguments and nothing else set.
inline Invocation withArgs(std::vector<std::string> args) {
  Invocation invocation;
  invocation.args = std::move(args);
  return invocation;
}

// Runs the program in `dir`; its streams are left there as stdout.bin and
// stderr.bin too, for a test that wants the bytes of a file.
inline Outcome runBinary(const fs::path& dir, const Invocation& invocation) {
  // The prefix comes after timeout, which catches the stop signals itself:
  // what the prefix sets up (an ignored signal, another user) reaches the program.
  std::string cmd = "cd " + shellQuoted(dir.string()) + " && env -u COMSPEC " +
                    invocation.environment + " timeout " +
                    std::to_string(invocation.timeoutSeconds) + " " + invocation.prefix + " " +
                    shellQuoted(HELISOLV_BINARY);
  for (const std::string& a : invocation.args) cmd += " " + shellQuoted(a);
  cmd += " < " + shellQuoted(invocation.inputFile.empty() ? "/dev/null" : invocation.inputFile) +
         " > stdout.bin 2> stderr.bin";
  const int raw = std::system(cmd.c_str());
  Outcome o;
  if (WIFEXITED(raw) && WEXITSTATUS(raw) != 124) o.status = WEXITSTATUS(raw);
  o.out = slurp(dir / "stdout.bin");
  o.err = slurp(dir / "stderr.bin");
  return o;
}

// The same with the console answers given as text.
inline Outcome runBinaryWithAnswers(const fs::path& dir, Invocation invocation,
                                    const std::string& answers) {
  const fs::path input = dir / "stdin.given";
  std::ofstream(input, std::ios::binary) << answers;
  invocation.inputFile = input.string();
  return runBinary(dir, invocation);
}

// The recorded cases of these groups (folders under tests/ holding one case a
// folder with an expected.rc), as "group/name", sorted.
inline std::vector<std::string> recordedCases(std::initializer_list<std::string_view> groups) {
  std::vector<std::string> names;
  for (std::string_view group : groups) {
    const fs::path dir = kCasesDir / group;
    if (!fs::exists(dir)) continue;
    for (const auto& e : fs::directory_iterator(dir))
      if (e.is_directory() && fs::exists(e.path() / "expected.rc"))
        names.push_back(std::string(group) + "/" + e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// A case's command-line arguments, one a line in args.txt.
inline std::vector<std::string> caseArguments(const fs::path& src) {
  std::vector<std::string> args;
  if (!fs::exists(src / "args.txt")) return args;
  std::istringstream lines(slurp(src / "args.txt"));
  for (std::string arg; std::getline(lines, arg);)
    if (!arg.empty()) args.push_back(arg);
  return args;
}

// Puts a case's task file into `work` (its own Helisolv.Tsk, or for a case
// under tests/examples the bundled example of its name; none: the run starts
// without a task file), and the files of its files/ folder beside it (task
// files of other names, answer files, folders), and returns the run of it as
// recorded: its arguments and its console answers.
inline Invocation stageCase(const fs::path& src, const fs::path& work) {
  const fs::path example = kCasesDir / ".." / "examples" / (src.filename().string() + ".Tsk");
  if (fs::is_directory(src / "files"))
    fs::copy(src / "files", work, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  if (fs::exists(src / "Helisolv.Tsk"))
    fs::copy_file(src / "Helisolv.Tsk", work / "Helisolv.Tsk");
  else if (src.parent_path().filename() == "examples" && fs::exists(example))
    fs::copy_file(example, work / "Helisolv.Tsk");
  Invocation invocation;
  invocation.args = caseArguments(src);
  if (fs::exists(src / "stdin.txt")) invocation.inputFile = (src / "stdin.txt").string();
  return invocation;
}

// A case's name as a test's name: letters and digits, the rest underscores.
inline std::string testName(std::string name) {
  for (char& ch : name)
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return name;
}

// A fixed-line task file: 13 free lines, the series line, 63 free lines, the
// problem type line and the input line.
inline std::string fixedLineTask(const std::string& series, const std::string& type,
                                 const std::string& inputs) {
  std::string task;
  for (int line = 1; line <= 77; ++line) task += line == 14 ? series + "\n" : "*\n";
  return task + type + "\n" + inputs + "\n";
}

// Where two byte strings part, with a little context; empty when they are equal.
inline std::string firstDifference(const std::string& want, const std::string& got) {
  if (want == got) return "";
  size_t i = 0;
  while (i < want.size() && i < got.size() && want[i] == got[i]) ++i;
  const size_t from = i > 120 ? i - 120 : 0;
  return "first difference at byte " + std::to_string(i) + "\n--- expected from there:\n" +
         want.substr(from, 240) + "\n--- got from there:\n" + got.substr(from, 240);
}

}  // namespace helisolv::test
