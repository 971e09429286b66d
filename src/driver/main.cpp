// helisolv: hydrodynamic design and analysis of marine screw propellers of the
// Wageningen B-series and the Gawn series. Reads the task file TASK (or
// Helisolv.Tsk in the current folder), asks its questions on the console and
// writes the result file beside it.
#include <fcntl.h>
#include <signal.h>

#include <iostream>

#include "driver/driver.hpp"
#include "driver/options.hpp"
#include "io/runtime_error.hpp"
#include "io/stop_signals.hpp"

namespace {

// What a stop signal puts in place, kept up to date by the run. Made once and
// never destroyed: a signal may still arrive while the program exits. The
// process's signal state lives here and nowhere else.
helisolv::Interruption* interruption = nullptr;

// Ctrl-C at a pause, a closed terminal or a kill: the report so far goes in
// place, marked, and the program ends by the signal itself, so that whoever
// started it sees how it ended.
extern "C" void endRunBySignal(int signo) {
  if (interruption) interruption->putInPlace(signo);
  signal(signo, SIG_DFL);
  raise(signo);
}

void catchStopSignals() {
  // A closed pipe or a full device is a write error with its report and
  // status 1, not a silent end.
  signal(SIGPIPE, SIG_IGN);
  interruption = new helisolv::Interruption;
  struct sigaction action {};
  action.sa_handler = endRunBySignal;
  sigemptyset(&action.sa_mask);
  for (int signo : helisolv::kStopSignals) sigaddset(&action.sa_mask, signo);
  for (int signo : helisolv::kStopSignals) {
    struct sigaction before {};
    // A signal ignored by whoever started the run (nohup, a background job of
    // a script) stays ignored.
    if (sigaction(signo, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
    sigaction(signo, &action, nullptr);
  }
}

// Started with standard input, output or error closed, the result file would
// take the free descriptor and receive the console text and the error report.
// A closed standard stream is opened on /dev/null before any file is opened.
void reopenClosedStandardStreams() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1) continue;
    // open() returns the lowest free descriptor, which is this one.
    if (open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY) != fd) return;
  }
}

}  // namespace

int main(int argc, char** argv) {
  reopenClosedStandardStreams();
  catchStopSignals();
  helisolv::Options options;
  if (auto status = helisolv::parseOptions(argc, argv, options, std::cout, std::cerr)) {
    // --help or --version that never reached the reader is a failed write.
    if (*status == 0 && !std::cout.flush()) {
      helisolv::Session io({nullptr, &std::cout, &std::cerr, nullptr, nullptr});
      return helisolv::reportRuntimeError(
          io, helisolv::RuntimeErrorCode::CannotWrite, "WRITE", "stdout",
          "stdout: the system refused the console output (disk full or output closed?)");
    }
    return *status;
  }
  return helisolv::runProgram(std::cin, std::cout, std::cerr, options, {interruption});
}
