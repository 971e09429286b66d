#include "io/stop_signals.hpp"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "io/file_calls.hpp"
#include "io/file_set.hpp"

namespace helisolv {

namespace {

// The wording of the record that ends an interrupted report, in two pieces
// around the signal's name, so that the signal handler joins them without
// formatting.
constexpr char kInterruptedBefore[] = " Run interrupted by ";
constexpr char kInterruptedAfter[] = "; the report above is incomplete.\r\n";

// Async-signal-safe: appends text to buffer[at..], never past its end.
size_t append(char* buffer, size_t size, size_t at, const char* text) noexcept {
  while (*text && at + 1 < size) buffer[at++] = *text++;
  buffer[at] = '\0';
  return at;
}

}  // namespace

const char* stopSignalName(int signo) noexcept {
  switch (signo) {
    case SIGINT:
      return "SIGINT";
    case SIGTERM:
      return "SIGTERM";
    case SIGHUP:
      return "SIGHUP";
    default:
      return "a signal";
  }
}

std::string interruptedRecord(int signo) {
  return std::string(kInterruptedBefore) + stopSignalName(signo) + kInterruptedAfter;
}

HoldStopSignals::HoldStopSignals() {
  sigset_t stops;
  sigemptyset(&stops);
  for (int signo : kStopSignals) sigaddset(&stops, signo);
  pthread_sigmask(SIG_BLOCK, &stops, &previous_);
}

HoldStopSignals::~HoldStopSignals() {
  pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

void Interruption::armReport(int fd, const std::string& temp, const std::string& target) {
  HoldStopSignals hold;
  owner_ = ::getpid();
  reportFd_ = fd;
  reportTemp_ = temp;
  reportTarget_ = target;
  reportArmed_ = 1;
}

void Interruption::disarmReport() {
  HoldStopSignals hold;
  reportArmed_ = 0;
}

void Interruption::armRunCsv(const std::string& dir, std::string head, std::string tail) {
  HoldStopSignals hold;
  owner_ = ::getpid();
  csvHead_ = std::move(head);
  csvTail_ = std::move(tail);
  const std::string sets = joinPath(dir, kSetsFolder);
  csvDir_ = dir;
  csvSets_ = sets;
  csvSetName_ = "set." + std::to_string(::getpid()) + ".stop";
  csvSet_ = joinPath(sets, csvSetName_);
  csvFile_ = joinPath(csvSet_, "run.csv");
  csvCurrent_ = joinPath(sets, "current");
  csvCurrentTemp_ = joinPath(sets, "current." + std::to_string(::getpid()) + ".stop.tmp");
  csvLink_ = joinPath(dir, "run.csv");
  csvLinkTemp_ = joinPath(sets, "link." + std::to_string(::getpid()) + ".stop.tmp");
  csvLinkTarget_ = std::string(kSetLinkPrefix) + "run.csv";
  csvArmed_ = 1;
}

void Interruption::disarmRunCsv() {
  HoldStopSignals hold;
  csvArmed_ = 0;
}

void Interruption::putInPlace(int signo) const noexcept {
  if (::getpid() != owner_) return;
  const char* name = stopSignalName(signo);
  bool reportShown = false;
  if (reportArmed_) {
    char line[128];
    size_t n = append(line, sizeof line, 0, kInterruptedBefore);
    n = append(line, sizeof line, n, name);
    n = append(line, sizeof line, n, kInterruptedAfter);
    writeAll(reportFd_, line, n);
    if (reportTemp_.empty()) {
      reportShown = true;
    } else {
      ::fsync(reportFd_);
      reportShown = ::rename(reportTemp_.c_str(), reportTarget_.c_str()) == 0;
    }
  }
  if (csvArmed_) {
    // A set of the record alone, put in force as any set is: the previous
    // run's tables no longer show, and a kill meanwhile leaves the previous set.
    ::mkdir(csvSet_.c_str(), 0777);
    const int fd = ::open(csvFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd >= 0) {
      bool whole = writeAll(fd, csvHead_.data(), csvHead_.size()) &&
                   writeAll(fd, name, std::strlen(name)) &&
                   writeAll(fd, csvTail_.data(), csvTail_.size()) && ::fsync(fd) == 0;
      whole = ::close(fd) == 0 && whole;
      whole = whole && syncFolder(csvSet_.c_str());
      ::unlink(csvLinkTemp_.c_str());
      if (whole && ::symlink(csvLinkTarget_.c_str(), csvLinkTemp_.c_str()) == 0)
        ::rename(csvLinkTemp_.c_str(), csvLink_.c_str());
      ::unlink(csvCurrentTemp_.c_str());
      if (whole && ::symlink(csvSetName_.c_str(), csvCurrentTemp_.c_str()) == 0 &&
          ::rename(csvCurrentTemp_.c_str(), csvCurrent_.c_str()) == 0) {
        syncFolder(csvDir_.c_str());
        syncFolder(csvSets_.c_str());
      } else {
        ::unlink(csvCurrentTemp_.c_str());
      }
    }
  }
  char note[160];
  size_t n = append(note, sizeof note, 0, "helisolv: run interrupted by ");
  n = append(note, sizeof note, n, name);
  if (reportShown) n = append(note, sizeof note, n, "; the report so far is in Helisolv.Son");
  n = append(note, sizeof note, n, "\n");
  writeAll(STDERR_FILENO, note, n);
}

}  // namespace helisolv
