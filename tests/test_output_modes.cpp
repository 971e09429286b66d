// What the console program leaves on disk besides its bytes, run as a user
// would: the permissions of the result file, a result file it may not write,
// stop signals its parent told it to ignore, the CSV folder after a run-time
// error, and the report of an existing but empty task file.

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "binary_run.hpp"

namespace helisolv::test {
namespace {

// A run of the program with these arguments, environment and prefix.
Invocation invocation(std::vector<std::string> args, std::string environment = "",
                      std::string prefix = "") {
  Invocation s;
  s.args = std::move(args);
  s.environment = std::move(environment);
  s.prefix = std::move(prefix);
  return s;
}

const fs::path kExamples = kCasesDir / ".." / "examples";

unsigned modeOf(const fs::path& p) {
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0 ? st.st_mode & 07777 : 0u;
}

// A type 8 run (it pauses between pages) in a fresh folder.
fs::path typeEightFolder(const std::string& tag) {
  const fs::path dir = scratchFolder(tag);
  fs::copy_file(kExamples / "type08_pitch_for_thrust.Tsk", dir / "Helisolv.Tsk");
  return dir;
}

// A replaced result file keeps the permissions its user gave it; a new one
// has those the umask leaves of rw-rw-rw-. So does the report so far that a
// pause's command finds in its place.
TEST(OutputModes, AReplacedResultFileKeepsItsModeAndANewOneFollowsTheUmask) {
  const fs::path dir = typeEightFolder("son_modes");
  struct Case {
    unsigned existing;  // 0: no result file before the run
    mode_t umask;
    unsigned after;
  };
  for (const Case& c : {Case{0640, 022, 0640}, Case{0604, 077, 0604}, Case{0, 027, 0640},
                        Case{0, 077, 0600}, Case{0, 002, 0664}}) {
    SCOPED_TRACE(std::to_string(c.existing) + " under umask " + std::to_string(c.umask));
    fs::remove(dir / "Helisolv.Son");
    if (c.existing) {
      std::ofstream(dir / "Helisolv.Son") << "an older report\n";
      ::chmod((dir / "Helisolv.Son").c_str(), c.existing);
    }
    const mode_t before = ::umask(c.umask);
    const Outcome run = runBinaryWithAnswers(dir, invocation({}, "COMSPEC=/bin/sh"),
                                             "stat -c %a Helisolv.Son > shown.txt\n");
    ::umask(before);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(modeOf(dir / "Helisolv.Son"), c.after);
    EXPECT_EQ(std::stoul("0" + slurp(dir / "shown.txt"), nullptr, 8), c.after);
  }
  fs::remove_all(dir);
}

// As root every file may be written, so the run goes as the user nobody.
TEST(OutputModes, AResultFileTheUserMayNotWriteIsRefusedAndLeftAsItWas) {
  const fs::path dir = typeEightFolder("son_read_only");
  std::string as;
  const passwd* nobody = ::geteuid() == 0 ? ::getpwnam("nobody") : nullptr;
  const uid_t uid = nobody ? nobody->pw_uid : 0;
  const gid_t gid = nobody ? nobody->pw_gid : 0;
  if (::geteuid() == 0) {
    if (!nobody) GTEST_SKIP() << "no user nobody to run as";
    if (std::system("setpriv --help > /dev/null 2>&1") == 0)
      as = "setpriv --reuid=" + std::to_string(uid) + " --regid=" + std::to_string(gid) +
           " --clear-groups";
    else if (std::system("runuser --help > /dev/null 2>&1") == 0)
      as = "runuser -u nobody --";
    else
      GTEST_SKIP() << "running as root without setpriv or runuser to run as nobody";
    ::chmod(dir.c_str(), 0777);
    for (fs::path p = dir.parent_path(); p != p.root_path(); p = p.parent_path())
      if ((modeOf(p) & 0001) == 0) GTEST_SKIP() << p << " cannot be passed by nobody";
  }
  for (unsigned mode : {0444u, 0644u}) {
    const fs::path son = dir / "Helisolv.Son";
    fs::remove(son);
    std::ofstream(son) << "an older report\n";
    if (nobody) ::chown(son.c_str(), uid, gid);
    ::chmod(son.c_str(), mode);
    const Outcome run = runBinary(dir, invocation({}, "", as));
    if (mode == 0644u) {  // the same run may write it: the refusal is the mode's
      EXPECT_EQ(run.status, 0) << run.err;
      continue;
    }
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("run-time error 7: WRITE(Helisolv.Son)"), std::string::npos) << run.err;
    EXPECT_EQ(slurp(son), "an older report\n");
    EXPECT_EQ(modeOf(son), 0444u);
  }
  fs::remove_all(dir);
}

// The pause reply runs as a command that sends the program SIGHUP and SIGINT.
// Ignored by the parent (nohup, a shell's trap ''), they must stay ignored:
// the run ends as recorded. Not ignored, the first one stops it.
TEST(OutputModes, StopSignalsTheParentIgnoredStayIgnoredDuringTheRun) {
  const fs::path dir = typeEightFolder("ignored_signals");
  const std::string answers = "kill -HUP $PPID; kill -INT $PPID\n\n\n\n\n";
  const Invocation ignoring =
      invocation({}, "COMSPEC=/bin/sh", "sh -c 'trap \"\" HUP INT; exec \"$0\" \"$@\"'");
  const Outcome ignored = runBinaryWithAnswers(dir, ignoring, answers);
  EXPECT_EQ(ignored.status, 0) << ignored.err;
  EXPECT_EQ(slurp(dir / "Helisolv.Son"),
            slurp(kCasesDir / "examples" / "type08_pitch_for_thrust" / "expected.son"));
  const Outcome stopped = runBinaryWithAnswers(dir, invocation({}, "COMSPEC=/bin/sh"), answers);
  EXPECT_EQ(stopped.status, 128 + SIGHUP);
  EXPECT_NE(slurp(dir / "Helisolv.Son").find("Run interrupted by SIGHUP"), std::string::npos);
  fs::remove_all(dir);
}

// A run-time error after every table was computed (a reply to the last pause
// longer than a line may be) writes run.csv saying so and no table, and the tables of the
// run before are gone with its set.
TEST(OutputModes, ARunTimeErrorLeavesRunCsvAloneInTheCsvFolder) {
  const fs::path dir = typeEightFolder("error_csv");
  const Outcome before = runBinary(dir, invocation({"--csv", "out"}));
  ASSERT_EQ(before.status, 0) << before.err;
  ASSERT_TRUE(fs::exists(dir / "out" / "open_water.csv"));
  const Outcome failed = runBinaryWithAnswers(
      dir, invocation({"--csv", "out"}), std::string(4, '\n') + std::string(1048577, 'x') + "\n");
  EXPECT_EQ(failed.status, 1) << failed.err;
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(dir / "out"))
    if (e.path().filename().string()[0] != '.') left.push_back(e.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{"run.csv"});
  EXPECT_NE(slurp(dir / "out" / "run.csv").find("\noutcome,error,\n"), std::string::npos);
  fs::remove_all(dir);
}

TEST(OutputModes, AnExistingEmptyTaskFileEndsAtItsFirstLine) {
  const fs::path dir = scratchFolder("empty_task");
  std::ofstream(dir / "Helisolv.Tsk").flush();
  const Outcome run = runBinary(dir, Invocation{});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err,
            "\nrun-time error 1: READ(Helisolv.Tsk)\n"
            "- end of file at line 1: free text line (lines 1 to 13) is missing\n");
  EXPECT_EQ(fs::file_size(dir / "Helisolv.Tsk"), 0u);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace helisolv::test
