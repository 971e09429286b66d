// What the real binary leaves on disk. Runs killed at random points, two at
// once on one folder, a stop signal at a pause (SafeOutputs, forked to signal
// at a chosen moment) leave the previous outputs, the new ones, or the report so
// far marked: never a cut file or a mix of two runs. Plain runs (OutputModes):
// failing CSV folders, clean-up, the result file's modes, ignored signals, locks.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <map>
#include <random>
#include <thread>

#include "binary_run.hpp"
#include "io/file_set.hpp"
#include "io/stop_signals.hpp"
#include "task_run.hpp"

namespace helisolv::test {
namespace {

using Files = std::map<std::string, std::string>;
using Clock = std::chrono::steady_clock;

const fs::path kExamples = kCasesDir / ".." / "examples";
// The heaviest design run (Kq/J^5, Gawn series), and an example with five
// tables that pauses between its pages.
std::string heavy() {
  std::string t = slurp(kExamples / "type03_kqj5_design_gawn.Tsk");
  return t.replace(t.find("5000 7 150 1025 3 0.7"), 21, "5000 7 200 1025 3 0.8");
}
const std::string kThrust = slurp(kExamples / "type08_pitch_for_thrust.Tsk");

// A folder of its own holding the type 8 task and an empty out/, removed (and
// out/ unmounted) however the test ends; in RAM, where putting files in place
// costs no disk flush, so that hundreds of runs are quick and the signals land
// all over them, unless HELISOLV_KILLS_ON_DISK=1 asks for the disk.
struct Scratch : fs::path {
  explicit Scratch(const std::string& tag)
      : fs::path((std::getenv("HELISOLV_KILLS_ON_DISK") || !fs::is_directory("/dev/shm")
                      ? fs::temp_directory_path()
                      : fs::path("/dev/shm")) /
                 ("helisolv_safe_" + tag + std::to_string(getpid()))) {
    fs::remove_all(*this);
    fs::create_directories(*this / "out");
    write("Helisolv.Tsk", kThrust);
  }
  ~Scratch() {
    umount2((*this / "out").c_str(), MNT_DETACH);
    std::error_code ec;
    fs::remove_all(*this, ec);
  }
  void write(const std::string& name, const std::string& text) const {
    std::ofstream(*this / name, std::ios::binary | std::ios::trunc) << text;
  }
};

// The regular files of a folder by name; without the temporary ones when asked.
Files filesIn(const fs::path& dir, bool temporaries = true) {
  Files files;
  for (const auto& entry : fs::directory_iterator(dir))
    if (entry.is_regular_file() && (temporaries || entry.path().extension() != ".tmp"))
      files[entry.path().filename().string()] = slurp(entry.path());
  return files;
}
bool holdsTemporaries(const fs::path& dir) {
  return filesIn(dir).size() != filesIn(dir, false).size();
}

const Invocation kCsvRun = withArgs({"--csv", "out"});

// Starts the shell line in dir with $H naming the program, standard input from
// `in`, COMSPEC unset, and the stop signals and SIGPIPE at their defaults, as a
// shell leaves them; `exec "$H"` makes the process the program's own.
pid_t spawn(const fs::path& dir, const std::string& line, int in = -1) {
  const pid_t child = fork();
  if (child != 0) return child;
  if (chdir(dir.c_str()) != 0) _exit(126);
  if (in >= 0) dup2(in, 0);
  for (int signo : {SIGPIPE, SIGINT, SIGTERM, SIGHUP}) signal(signo, SIG_DFL);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  setenv("H", HELISOLV_BINARY, 1);
  unsetenv("COMSPEC");
  execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
  _exit(127);
}
// The exit status, or minus the signal that ended the process.
int waitFor(pid_t child) {
  int raw = 0;
  while (waitpid(child, &raw, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -WTERMSIG(raw);
}

// What a whole run with --csv out leaves (report, CSV folder) and how long it takes.
struct Reference {
  std::string son;
  Files csv;
  long micros = 0;
};
const std::string kRun = "exec \"$H\" --csv out < /dev/null > stdout.bin 2> stderr.bin";
Reference referenceRun(const std::string& task, const std::string& args = "") {
  const Scratch dir("ref");
  dir.write("Helisolv.Tsk", task);
  const auto start = Clock::now();
  EXPECT_EQ(waitFor(spawn(dir, kRun + args)), 0);
  const long micros =
      std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
  return {slurp(dir / "Helisolv.Son"), filesIn(dir / "out"), micros};
}

enum Found { Previous, New, Marked, None };
const char* const kFound[] = {"previous", "new", "marked"};

// The report after a kill: the previous one, the new one whole, or (a stop
// signal) the new one cut at a record end and marked.
Found reportFound(const std::string& son, const std::string& previous, const std::string& whole,
                  int signo) {
  if (son == whole || son == previous) return son == whole ? New : Previous;
  const std::string mark = interruptedRecord(signo);
  const std::string sofar = son.substr(0, son.size() - std::min(son.size(), mark.size()));
  const bool cut =
      son.ends_with(mark) && whole.starts_with(sofar) && (sofar.empty() || sofar.ends_with("\r\n"));
  return signo != SIGKILL && cut ? Marked : None;
}

// The CSV folder after a kill: the previous set, the new set, or (a stop
// signal) the record of an interrupted run alone, each row of it one of the
// whole run's, or one of a run that has not read its task yet.
Found csvFound(const Files& now, const Files& previous, const Files& whole, int signo) {
  if (now == whole || now == previous) return now == whole ? New : Previous;
  if (!now.count("run.csv")) return None;
  const std::string known = "\n" + whole.at("run.csv") +
                            "problem type,0,\nproblem,no such problem type,\nseries type,0,\n"
                            "series,no such series,\nviscous correction,none,\n"
                            "open-water model,none,\noutcome,interrupted,\n";
  const std::string signal = "signal," + std::string(stopSignalName(signo)) + ",";
  bool signalled = false;
  std::istringstream record(now.at("run.csv"));
  for (std::string line; std::getline(record, line);) {
    if (line == signal)
      signalled = true;
    else if (line.starts_with("rows in ") || known.find("\n" + line + "\n") == std::string::npos)
      return None;
  }
  return signo != SIGKILL && signalled && now.size() == 1 ? Marked : None;
}

// The CSV folder as a version of the program before sets left it: the same
// files, regular ones.
void turnIntoRegularFiles(const fs::path& out) {
  const Files files = filesIn(out);
  fs::remove_all(out / kSetsFolder);
  for (const auto& entry : fs::directory_iterator(out))
    if (entry.is_symlink()) fs::remove(entry.path());
  for (const auto& [name, text] : files)
    std::ofstream(out / name, std::ios::binary | std::ios::trunc) << text;
}

// HELISOLV_KILLS sets the number of kills (240).
TEST(SafeOutputs, KilledRunsLeaveWholeOutputs) {
  const int kills = std::getenv("HELISOLV_KILLS") ? std::atoi(std::getenv("HELISOLV_KILLS")) : 240;
  const std::string tasks[] = {heavy(), kThrust};
  const Reference refs[] = {referenceRun(tasks[0]), referenceRun(tasks[1])};
  const Scratch work("kills");
  // A file of the user's bearing a table's name that no record names: every
  // run leaves it alone.
  work.write("out/bollard.csv", "mine");
  const auto csvNow = [&] {
    Files files = filesIn(work / "out", false);
    EXPECT_EQ(files["bollard.csv"], "mine");
    files.erase("bollard.csv");
    return files;
  };
  std::mt19937 random(std::random_device{}());
  std::map<std::string, int> seen;
  for (int i = 0; i < kills; ++i) {
    const int signo = std::array{SIGKILL, SIGTERM, SIGINT}[static_cast<size_t>(i % 3)];
    // The task changes at every run, so the previous outputs are never the new ones.
    const Reference& ref = refs[i % 2];
    SCOPED_TRACE("kill " + std::to_string(i) + " by signal " + std::to_string(signo));
    // Every fifth run finds the files of a version before sets, which it
    // turns into a set before anything else.
    if (i % 5 == 4) turnIntoRegularFiles(work / "out");
    const std::string previousSon = slurp(work / "Helisolv.Son");
    const Files previousCsv = csvNow();
    work.write("Helisolv.Tsk", tasks[i % 2]);
    // Anywhere from the start to a little past the end; every other kill near
    // the end, where the files are put in place.
    const long from = i % 4 < 2 ? 0 : ref.micros * 3 / 4;
    const std::chrono::microseconds delay(
        std::uniform_int_distribution<long>(from, ref.micros * 11 / 10)(random));
    const pid_t child = spawn(work, kRun);
    std::this_thread::sleep_for(delay);
    kill(child, signo);
    const int status = waitFor(child);
    const Found son = reportFound(slurp(work / "Helisolv.Son"), previousSon, ref.son, signo);
    const Found csv = csvFound(csvNow(), previousCsv, ref.csv, signo);
    ASSERT_NE(son, None) << "not the previous report, the new one, nor the report so far marked:\n"
                         << slurp(work / "Helisolv.Son");
    ASSERT_NE(csv, None) << "no complete CSV set; run.csv:\n" << slurp(work / "out" / "run.csv");
    EXPECT_TRUE(status == -signo || (status == 0 && son == New && csv == New)) << status;
    ++seen["report " + std::string(kFound[son]) + ", CSV " + kFound[csv]];
  }
  for (const auto& [what, count] : seen) std::cout << "  " << what << ": " << count << "\n";
  EXPECT_GT(seen["report marked, CSV marked"], 0) << "no stop signal reached a working run";
  EXPECT_GT(seen["report new, CSV new"], 0);
  // The next whole run removes the temporary files and the sets the killed
  // ones left: the set in force alone stays.
  ASSERT_EQ(waitFor(spawn(work, kRun)), 0);
  EXPECT_FALSE(holdsTemporaries(work) || holdsTemporaries(work / "out"));
  int entries = 0;
  for (const auto& entry : fs::directory_iterator(work / "out" / kSetsFolder))
    entries += entry.path().filename() == "current" ? 0 : 1;
  EXPECT_EQ(entries, 1) << "the set in force and nothing else";
}

TEST(SafeOutputs, TwoRunsAtOnceEndAsOneAfterTheOther) {
  // One task, two outputs: the two corrections print different numbers.
  const std::string variants[] = {"", " --viscous-correction=ittc78"};
  const Reference refs[] = {referenceRun(kThrust, variants[0]), referenceRun(kThrust, variants[1])};
  ASSERT_NE(refs[0].son, refs[1].son);
  const Scratch work("pairs");
  for (int pair = 0; pair < 50; ++pair) {
    SCOPED_TRACE("pair " + std::to_string(pair));
    pid_t children[2];
    for (int k = 0; k < 2; ++k)
      children[k] =
          spawn(work, "exec \"$H\" --csv out" + variants[k] + " < /dev/null > /dev/null 2>&1");
    for (const pid_t child : children) EXPECT_EQ(waitFor(child), 0);
    const Reference& last = refs[slurp(work / "Helisolv.Son") == refs[0].son ? 0 : 1];
    ASSERT_TRUE(slurp(work / "Helisolv.Son") == last.son) << "no one run's report";
    ASSERT_TRUE(filesIn(work / "out") == last.csv) << "not the set of the report's run";
  }
  EXPECT_FALSE(holdsTemporaries(work));
}

TEST(SafeOutputs, AStopSignalAtAPausePutsTheReportSoFarInPlaceMarked) {
  const Reference ref = referenceRun(kThrust);
  for (const int signo : {SIGINT, SIGHUP, SIGTERM}) {
    const std::string name = stopSignalName(signo);
    SCOPED_TRACE(name);
    const Scratch work("pause");
    ASSERT_EQ(waitFor(spawn(work, kRun)), 0);
    work.write("out/notes.txt", "mine");
    fs::remove(work / "stdout.bin");
    int keyboard[2];
    ASSERT_EQ(pipe2(keyboard, O_CLOEXEC), 0);
    const pid_t child =
        spawn(work, "exec \"$H\" --csv out > stdout.bin 2> stderr.bin", keyboard[0]);
    close(keyboard[0]);
    for (int i = 0; i < 1000 && slurp(work / "stdout.bin").find("DEVAM") == std::string::npos; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    kill(child, signo);
    EXPECT_EQ(waitFor(child), -signo);
    close(keyboard[1]);

    // The report so far, cut at a record end and marked; beside it a record
    // of every input, the outcome and the signal (then the warnings shown so
    // far), and no table of the earlier run.
    const std::string son = slurp(work / "Helisolv.Son");
    const std::string sofar = son.substr(0, son.rfind(" Run interrupted by " + name));
    EXPECT_EQ(son.substr(sofar.size()), interruptedRecord(signo));
    EXPECT_TRUE(ref.son.starts_with(sofar) && sofar.ends_with("\r\n") && sofar.starts_with(" ---"));
    std::string record = ref.csv.at("run.csv");
    record.erase(record.find("outcome,")) += "outcome,interrupted,\nsignal," + name + ",\n";
    Files csv = filesIn(work / "out");
    EXPECT_TRUE(csv["run.csv"].starts_with(record)) << csv["run.csv"];
    EXPECT_EQ(csv.size(), 2u) << "run.csv and the user's notes.txt only";
  }
}

// A run that cannot write its tables (a full CSV folder), or that ends in a
// run-time error after computing them (a reply to the last pause longer than
// a line may be), writes run.csv saying so and no table; the tables of the
// run before are gone with its set.
TEST(OutputModes, AFailingRunLeavesRunCsvAloneInTheCsvFolder) {
  for (const bool full : {true, false}) {
    SCOPED_TRACE(full ? "a full CSV folder" : "a run-time error");
    const Scratch work(full ? "full" : "error");
    const fs::path out = work / "out";
    const bool mounted = full && mount("tmpfs", out.c_str(), "tmpfs", 0, "size=256k") == 0;
    const auto fill = [&] {
      std::ofstream(out / "filler", std::ios::app) << std::string(1 << 18, '0');
    };
    ASSERT_EQ(runBinary(work, kCsvRun).status, 0);
    ASSERT_TRUE(fs::exists(out / "open_water.csv"));
    const std::string son = slurp(work / "Helisolv.Son");
    Invocation failing = kCsvRun;
    if (mounted) {
      fill();
    } else if (full) {
      // No file system of our own to fill: files may not grow past 2 KiB
      // (which the error record fits in and open_water.csv does not), the
      // console and the report going to a device, which has no such limit.
      for (const char* name : {"Helisolv.Son", "stdout.bin"}) {
        fs::remove(work / name);
        fs::create_symlink("/dev/null", work / name);
      }
      failing.prefix = "sh -c 'trap \"\" XFSZ; ulimit -f 4; exec \"$0\" \"$@\"'";
    }
    const std::string answers = full ? "" : std::string(4, '\n') + std::string(1048577, 'x') + "\n";
    const Outcome run = runBinaryWithAnswers(work, failing, answers);
    EXPECT_EQ(run.status, 1) << run.err;
    if (full) {
      EXPECT_NE(run.err.find("WRITE(\"out/open_water.csv\")\n- cannot write"), std::string::npos)
          << run.err;
      EXPECT_TRUE(!mounted || slurp(work / "Helisolv.Son") == son) << "the report is put in place";
    }
    const std::string record = slurp(out / "run.csv");
    EXPECT_TRUE(record.find("\noutcome,error,\n") != std::string::npos &&
                record.find("rows in") == std::string::npos)
        << record;
    EXPECT_EQ(filesIn(out).size(), mounted ? 2u : 1u) << "run.csv (and the filler) only";
    if (mounted) {
      // Not even the error record fits, once the sets that took room are
      // gone and the filler takes it: no record is left to describe the folder.
      fs::remove(out / "run.csv");
      fs::remove_all(out / kSetsFolder);
      fill();
      EXPECT_EQ(runBinary(work, failing).status, 1);
      EXPECT_EQ(filesIn(out).size(), 1u) << "the filler only";
    }
    EXPECT_FALSE(holdsTemporaries(work) || holdsTemporaries(out));
  }
}

TEST(OutputModes, CleanUpTakesOnlyWhatKilledRunsLeft) {
  const Scratch work("cleanup");
  const fs::path out = work / "out";
  // What killed runs left: temporary files, and the record of a run killed
  // while its tables changed, naming them with no count; beside them the
  // user's files and names that only look like those.
  work.write("out/run.csv",
             "quantity,value,unit\noutcome,interrupted,\nrows in candidates.csv,,\n");
  fs::create_directory(out / "pitch_sweep.csv.8.tmp");
  const std::string gone[] = {"out/candidates.csv", "Helisolv.Son.424242.tmp",
                              "Helisolv.Son.7.copy.tmp", "out/run.csv.99.stop.tmp",
                              "out/open_water.csv.5.tmp"};
  const std::string kept[] = {"Helisolv.Son.backup.tmp", "Helisolv.Son.1.tmp.txt",
                              "out/run.csv.tmp", "out/notes.txt"};
  for (const std::string& name : gone) work.write(name, "left by a killed run");
  for (const std::string& name : kept) work.write(name, "the user's");
  ASSERT_EQ(runBinary(work, kCsvRun).status, 0);
  for (const std::string& name : gone) EXPECT_FALSE(fs::exists(work / name)) << name;
  for (const std::string& name : kept) EXPECT_TRUE(fs::exists(work / name)) << name;
  EXPECT_TRUE(fs::is_directory(out / "pitch_sweep.csv.8.tmp"));

  // A link bearing a table's name is never replaced: the run does not start.
  fs::remove(out / "area_ratio.csv");
  fs::create_symlink("notes.txt", out / "area_ratio.csv");
  EXPECT_EQ(runBinary(work, kCsvRun).status, 2);
  EXPECT_TRUE(fs::is_symlink(out / "area_ratio.csv"));
}

unsigned modeOf(const fs::path& p) {
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0 ? st.st_mode & 07777 : 0u;
}

// A replaced result file keeps the permissions its user gave it; a new one
// has those the umask leaves of rw-rw-rw-. So does the report so far that a
// pause's command finds in its place. One its user may not write is refused
// and left as it was, and one that cannot be opened (a folder of its name) or
// written (a full device) ends the run with a run-time error, not a report of
// success. As root every file may be written, so the runs go as the user
// nobody where there is one to become.
TEST(OutputModes, TheResultFileKeepsItsModeFollowsTheUmaskOrIsRefused) {
  const Scratch dir("son_modes");
  const fs::path son = dir / "Helisolv.Son";
  Invocation run;
  run.environment = "COMSPEC=/bin/sh";
  const passwd* nobody = ::geteuid() == 0 ? ::getpwnam("nobody") : nullptr;
  for (fs::path p = dir.parent_path(); nobody && p != p.root_path(); p = p.parent_path())
    if ((modeOf(p) & 0001) == 0) nobody = nullptr;
  if (nobody && std::system("setpriv --help > /dev/null 2>&1") == 0) {
    run.prefix = "setpriv --reuid=" + std::to_string(nobody->pw_uid) +
                 " --regid=" + std::to_string(nobody->pw_gid) + " --clear-groups";
    ::chmod(dir.c_str(), 0777);
  } else {
    nobody = nullptr;
  }
  const struct {
    unsigned existing;  // 0: no result file before the run; 1: a folder; 2: /dev/full
    mode_t umask;
    unsigned after;       // 0: not checked
    const char* refusal;  // the report of a run refused the file
  } cases[] = {
      {0640, 022, 0640, nullptr},        {0604, 077, 0604, nullptr},
      {0, 027, 0640, nullptr},           {0, 077, 0600, nullptr},
      {0, 002, 0664, nullptr},           {0444, 022, 0444, "run-time error 7: WRITE(Helisolv.Son)"},
      {1, 022, 0, "OPEN(Helisolv.Son)"}, {2, 022, 0, "WRITE(Helisolv.Son)"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.existing) + " under umask " + std::to_string(c.umask));
    if (c.existing == 0444 && ::geteuid() == 0 && !nobody) continue;  // root may write it
    fs::remove_all(son);
    if (c.existing == 1) fs::create_directory(son);
    if (c.existing == 2) fs::create_symlink("/dev/full", son);
    if (c.existing > 2) {
      dir.write("Helisolv.Son", "an older report\n");
      if (nobody) ::chown(son.c_str(), nobody->pw_uid, nobody->pw_gid);
      ::chmod(son.c_str(), c.existing);
    }
    const mode_t before = ::umask(c.umask);
    const Outcome o = runBinaryWithAnswers(dir, run, "stat -c %a Helisolv.Son > shown.txt\n");
    ::umask(before);
    EXPECT_EQ(o.status, c.refusal ? 1 : 0) << o.err;
    if (c.after) {
      EXPECT_EQ(modeOf(son), c.after);
    }
    if (c.refusal) {
      EXPECT_NE(o.err.find(c.refusal), std::string::npos) << o.err;
      EXPECT_EQ(o.out.find("Stop"), std::string::npos) << o.out;
      EXPECT_TRUE(!c.after || slurp(son) == "an older report\n");
    } else {
      EXPECT_EQ(std::stoul("0" + slurp(dir / "shown.txt"), nullptr, 8), c.after);
    }
  }
}

// The pause reply runs as a command that sends the program SIGHUP and SIGINT.
// Ignored by the parent (nohup, a shell's trap ''), they must stay ignored:
// the run ends as recorded. Not ignored, the first one stops it.
TEST(OutputModes, StopSignalsTheParentIgnoredStayIgnoredDuringTheRun) {
  const Scratch dir("ignored_signals");
  const std::string answers = "kill -HUP $PPID; kill -INT $PPID\n\n\n\n\n";
  Invocation run;
  run.environment = "COMSPEC=/bin/sh";
  const Outcome stopped = runBinaryWithAnswers(dir, run, answers);
  EXPECT_EQ(stopped.status, 128 + SIGHUP);
  EXPECT_NE(slurp(dir / "Helisolv.Son").find("Run interrupted by SIGHUP"), std::string::npos);
  run.prefix = "sh -c 'trap \"\" HUP INT; exec \"$0\" \"$@\"'";
  const Outcome ignored = runBinaryWithAnswers(dir, run, answers);
  EXPECT_EQ(ignored.status, 0) << ignored.err;
  EXPECT_EQ(slurp(dir / "Helisolv.Son"),
            slurp(kCasesDir / "examples" / "type08_pitch_for_thrust" / "expected.son"));
}

class SafeRun : public TaskRun {};

TEST_F(SafeRun, ASecondRunWaitsForTheFolderThenNamesIt) {
  const int held = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_EQ(flock(held, LOCK_EX), 0);
  const std::string t = task("1", "5", "1.0 4 0.55");
  std::ofstream("Helisolv.Tsk", std::ios::binary) << t;
  std::istringstream keyboard("H\n\n\n");
  EXPECT_EQ(runProgram(keyboard, console, errors, {}, {nullptr, std::chrono::milliseconds(200)}),
            1);
  EXPECT_NE(errors.str().find("another helisolv run is using this folder and did not end within "
                              "200 milliseconds\n"),
            std::string::npos);
  EXPECT_FALSE(fs::exists("Helisolv.Son"));
  close(held);
  // The working folder given again as the CSV folder is held once, not waited for.
  options.csvDir = ".";
  EXPECT_EQ(runTask(&t, "H\n\n\n"), 0);
}

}  // namespace
}  // namespace helisolv::test
