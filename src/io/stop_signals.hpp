// A run ended by SIGINT, SIGTERM or SIGHUP puts its report so far in place,
// marked as such, instead of leaving an earlier run's report looking like its
// own, and its CSV record says it was stopped.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <chrono>
#include <string>

namespace helisolv {

// The signals that end a run with its outputs put in place.
inline constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// "SIGINT", "SIGTERM", "SIGHUP"; "a signal" for any other.
const char* stopSignalName(int signo) noexcept;

// Holds the stop signals back while it lives: a handler arriving in the middle
// of an update of what it would put in place waits until the update is whole.
class HoldStopSignals {
 public:
  HoldStopSignals();
  ~HoldStopSignals();
  HoldStopSignals(const HoldStopSignals&) = delete;
  HoldStopSignals& operator=(const HoldStopSignals&) = delete;

 private:
  sigset_t previous_;
};

// What a run ended by a stop signal puts in place. The console program keeps
// one for the whole process and its signal handler calls putInPlace(); the run
// keeps it up to date. Every change holds the stop signals back, so that the
// handler, which uses only async-signal-safe calls on what was prepared here,
// never sees half of one.
class Interruption {
 public:
  // The report so far is in fd: a temporary file named temp that takes the
  // name target, or (temp empty) target itself, a device written directly.
  void armReport(int fd, const std::string& temp, const std::string& target);
  void disarmReport();

  // The CSV record of an interrupted run: head, the signal's name, tail. It is
  // put in force in dir as a set of its own (see putFileSetInPlace), so the
  // previous run's tables no longer show.
  void armRunCsv(const std::string& dir, std::string head, std::string tail);
  void disarmRunCsv();

  // For the signal handler only: puts what is armed in place and says so on
  // standard error. Does nothing in a process other than the one that armed it
  // (a child between fork and exec).
  void putInPlace(int signo) const noexcept;

 private:
  pid_t owner_ = 0;
  volatile sig_atomic_t reportArmed_ = 0;
  int reportFd_ = -1;
  std::string reportTemp_, reportTarget_;
  volatile sig_atomic_t csvArmed_ = 0;
  std::string csvHead_, csvTail_, csvDir_, csvSets_, csvSet_, csvFile_, csvSetName_,
      csvCurrentTemp_, csvCurrent_, csvLinkTemp_, csvLink_, csvLinkTarget_;
};

// The record line that ends the report of an interrupted run, CR LF included.
std::string interruptedRecord(int signo);

// A run's guard over its outputs, handed to it by the console program.
struct RunGuard {
  // Kept up to date for the signal handler; none: no handler is installed.
  Interruption* interruption = nullptr;
  // How long a run waits for another run on its folders before giving up.
  std::chrono::milliseconds folderWait{std::chrono::seconds(10)};
};

}  // namespace helisolv
