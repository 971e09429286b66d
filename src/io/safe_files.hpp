// Outputs that are whole or absent. Each file of a run is written to a
// temporary file beside it and renamed into place when the run ends, so its
// name holds either the previous complete file or the new one; one run at a
// time holds a folder; and a run ended by SIGINT, SIGTERM or SIGHUP puts its
// report so far in place, marked as such, instead of leaving an earlier run's
// report looking like its own.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <ostream>
#include <span>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include "io/session.hpp"

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

// Advisory locks (flock) on folders, held while the object lives.
class FolderLocks {
 public:
  struct Busy {
    std::string folder;  // as shown in messages (escaped)
    std::string detail;
  };
  FolderLocks() = default;
  ~FolderLocks();
  FolderLocks(const FolderLocks&) = delete;
  FolderLocks& operator=(const FolderLocks&) = delete;

  // Locks each folder (one named twice, or under two names, once), waiting at
  // most `wait` in all; after a second of waiting a note on io's error stream
  // says why the run does not start. Returns the folder still held by another
  // run when the wait ran out. A folder that cannot be locked at all (no read
  // access, a file system without locks) is a warning of the run, which goes
  // on without it.
  std::optional<Busy> lock(std::span<const std::string> folders, std::chrono::milliseconds wait,
                           Session& io);

 private:
  std::vector<int> fds_;
};

// Removes what a run killed outright left in dir: regular files named
// <name>.<digits>.tmp or <name>.<digits>.<word>.tmp for each of names. Call
// with dir locked, so that no live run owns them.
void removeStaleTemporaries(const std::string& dir, std::span<const std::string_view> names);

// The name of a temporary file of this process for path, in path's folder;
// tag (lowercase letters) tells apart several for one path.
std::string temporaryName(const std::string& path, std::string_view tag = {});

// Why the entry is not something a run may replace (a folder, a symbolic
// link, a FIFO...), or nothing when it is a regular file or absent.
std::optional<std::string> notReplaceable(const std::string& path);

// The entry is a symbolic link whose target does not exist: says so, naming
// the target; otherwise empty.
std::string danglingLink(const std::string& path);

// The whole content of a regular file of at most limit bytes; nothing when it
// is missing, not a regular file (never followed as a link), or larger.
std::optional<std::string> readRegularFile(const std::string& path, size_t limit);

// One file of a set: its name in the set's folder and its bytes.
struct FileText {
  std::string name;
  std::string text;
};
struct FileFailure {
  std::string name;
  std::string why;
};

// A set of files in a folder that changes as a whole. The folder's names
// (run.csv and its tables) are symbolic links to kSetLinkPrefix + name: the
// folder kSetsFolder beside them holds one folder per set and the link
// `current` naming the set in force, which one rename replaces. So a reader
// finds at every name the file of one set, the previous or the new one (a
// name the set in force lacks is a link to nothing, read as absent), however
// the writing run ends.
inline constexpr std::string_view kSetsFolder = ".helisolv-csv";
inline constexpr std::string_view kSetLinkPrefix = ".helisolv-csv/current/";

// The entry `name` in dir is a link of the folder's sets.
bool isSetLink(const std::string& dir, std::string_view name);

// The sets folder of dir is unusable: a link, a file or a FIFO bears its name
// (says what), or nothing.
std::optional<std::string> setsFolderRefused(const std::string& dir);

// Makes dir ready for a new set; call with dir locked. What runs killed there
// left goes (sets not in force, temporary links). Files of an earlier version
// of the program, the record `recordName` and the files `named` (regular
// files), become the set in force, without any name showing other bytes at
// any moment. Returns the errno of a failure (nothing then changed), or 0.
int prepareSetFolder(const std::string& dir, const std::string& recordName,
                     std::span<const std::string> named);

// The files of the set in force, by name; nothing when there is none.
std::vector<std::string> currentSetNames(const std::string& dir);

// Puts a new set in force in dir: every file written to a fresh set folder and
// made durable, the links of its names made, then `current` replaced by one
// rename, made durable; then the previous set and the links only it used go.
// When a file cannot be written the previous set stays in force, untouched.
std::optional<FileFailure> putFileSetInPlace(const std::string& dir,
                                             std::span<const FileText> files);

// Withdraws the set in force: every name of the folder then reads as absent.
void withdrawFileSet(const std::string& dir);

namespace detail {

// The records of a report, written to a descriptor at each flush.
class DescriptorBuffer : public std::streambuf {
 public:
  int fd = -1;

 protected:
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  int_type overflow(int_type c) override;
  int sync() override;

 private:
  std::string pending_;
};

struct DescriptorBufferHolder {
  DescriptorBuffer buffer;
};

}  // namespace detail

// The result file of a run. The report goes to a temporary file beside it and
// putInPlace() gives it the file's name, so until then the name holds the
// previous complete report; a character device (/dev/null, a terminal) is
// written directly. A symbolic link is followed: the file it names is
// replaced, the link kept. Each flush writes the records so far.
class ReportFile : private detail::DescriptorBufferHolder, public std::ostream {
 public:
  // io: the run whose warnings say when the report must be written in place
  // or cannot be shown to a command.
  ReportFile(Interruption* interruption, Session& io);
  ~ReportFile() override;
  ReportFile(const ReportFile&) = delete;
  ReportFile& operator=(const ReportFile&) = delete;

  // Starts a new report for name; on failure sets failbit, errno saying why.
  // A file that exists but may not be written is refused, as a plain open
  // would refuse it.
  void open(const std::string& name);

  // Renames the report into place (a device: nothing to do). Returns why it
  // failed; then the previous report stays.
  std::optional<std::string> putInPlace();

  // Puts a copy of the report so far in place, for a command run at a pause
  // that reads it; the report goes on in its temporary file.
  void showSoFar();

 private:
  void closeFile();

  Interruption* interruption_;
  Session& io_;
  bool direct_ = false;
  std::string temp_, target_;
  std::optional<mode_t> mode_;  // of the previous report, kept by the new one
};

}  // namespace helisolv
