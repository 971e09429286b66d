#include "io/safe_files.hpp"

#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <thread>
#include <tuple>

#include "io/error_text.hpp"
#include "io/runtime_error.hpp"

namespace helisolv {

namespace {

// The wording of the record that ends an interrupted report, in two pieces
// around the signal's name, so that the signal handler joins them without
// formatting.
constexpr char kInterruptedBefore[] = " Run interrupted by ";
constexpr char kInterruptedAfter[] = "; the report above is incomplete.\r\n";

// Async-signal-safe: the whole of n bytes, or false.
bool writeAll(int fd, const char* data, size_t n) noexcept {
  while (n > 0) {
    const ssize_t done = ::write(fd, data, n);
    if (done < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += done;
    n -= static_cast<size_t>(done);
  }
  return true;
}

// Async-signal-safe: appends text to buffer[at..], never past its end.
size_t append(char* buffer, size_t size, size_t at, const char* text) noexcept {
  while (*text && at + 1 < size) buffer[at++] = *text++;
  buffer[at] = '\0';
  return at;
}

std::string why(int error) {
  return errorText(error);
}

std::string joinPath(const std::string& dir, std::string_view name) {
  return dir + "/" + std::string(name);
}

// <name>.<digits>.tmp or <name>.<digits>.<lowercase word>.tmp: the names
// temporaryName() gives.
bool isTemporaryOf(std::string_view entry, std::string_view name) {
  constexpr std::string_view kEnd = ".tmp";
  if (entry.size() <= name.size() + 1 + kEnd.size() || !entry.starts_with(name) ||
      entry[name.size()] != '.' || !entry.ends_with(kEnd))
    return false;
  std::string_view middle = entry.substr(name.size() + 1);
  middle.remove_suffix(kEnd.size());
  size_t i = 0;
  while (i < middle.size() && middle[i] >= '0' && middle[i] <= '9') ++i;
  if (i == 0) return false;
  if (i == middle.size()) return true;
  if (middle[i] != '.' || i + 1 == middle.size()) return false;
  for (++i; i < middle.size(); ++i)
    if (middle[i] < 'a' || middle[i] > 'z') return false;
  return true;
}

// New files written whole, then made durable together: each one's data is
// written back first, then a single fsync commits them all (one journal commit
// and one flush of the disk's cache for the set, where a flush per file cost
// several milliseconds each).
class NewFiles {
 public:
  ~NewFiles() {
    for (const Open& file : files_) ::close(file.fd);
  }

  // Writes text to a new file at path; 0 or the errno (the file then gone).
  int write(const std::string& path, const std::string& text) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST) {
      // Left by an earlier process of the same number; this one owns the name now.
      ::unlink(path.c_str());
      fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    }
    if (fd < 0) return errno;
    if (!writeAll(fd, text.data(), text.size())) {
      const int error = errno;
      ::close(fd);
      ::unlink(path.c_str());
      return error;
    }
    files_.push_back({fd, path});
    return 0;
  }

  // Makes every file durable and closes it; 0 or the errno.
  int commit() {
    int error = 0;
    // Every file's write-back starts before the first is waited for, so the
    // disk takes them in one go.
    for (const Open& file : files_) ::sync_file_range(file.fd, 0, 0, SYNC_FILE_RANGE_WRITE);
    for (const Open& file : files_)
      if (error == 0 && ::sync_file_range(file.fd, 0, 0,
                                          SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                                              SYNC_FILE_RANGE_WAIT_AFTER) != 0)
        error = errno;
    if (error == 0 && !files_.empty() && ::fsync(files_.back().fd) != 0) error = errno;
    for (const Open& file : files_)
      if (::close(file.fd) != 0 && error == 0) error = errno;
    files_.clear();
    return error;
  }

 private:
  struct Open {
    int fd;
    std::string path;
  };
  std::vector<Open> files_;
};

// Async-signal-safe: makes the entries of a folder durable.
bool syncFolder(const char* path) noexcept {
  const int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}

bool isRegular(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The file a chain of symbolic links ends at (the name itself when it is not
// a link). A link whose target does not exist ends at that target, where the
// file is then made.
std::string followLinks(const std::string& name) {
  std::string path = name;
  // A loop of links ends the walk; the open then fails as it would have.
  for (int hop = 0; hop < 40; ++hop) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char target[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), target, sizeof target);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof target) return path;
    const std::string next(target, static_cast<size_t>(n));
    const size_t slash = path.rfind('/');
    path =
        next.front() == '/' || slash == std::string::npos ? next : path.substr(0, slash + 1) + next;
  }
  return path;
}

// "/work/case" for "." (the folder a user knows), a folder as it was given.
std::string shownFolder(const std::string& folder) {
  if (folder == ".") {
    std::error_code ec;
    const auto cwd = std::filesystem::current_path(ec);
    if (!ec) return helisolv::quoted(cwd.string());
  }
  return helisolv::quoted(folder);
}

std::string shownWait(std::chrono::milliseconds wait) {
  if (wait.count() % 1000 == 0) return std::to_string(wait.count() / 1000) + " seconds";
  return std::to_string(wait.count()) + " milliseconds";
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

FolderLocks::~FolderLocks() {
  for (int fd : fds_) ::close(fd);
}

std::optional<FolderLocks::Busy> FolderLocks::lock(std::span<const std::string> folders,
                                                   std::chrono::milliseconds wait, Session& io) {
  struct Folder {
    dev_t dev;
    ino_t ino;
    int fd;
    std::string name;
  };
  auto cannotLock = [&io](const std::string& folder, int error) {
    warn(io, "folder lock",
         "cannot lock the folder " + shownFolder(folder) + " (" + why(error) +
             "); a run started there meanwhile could mix its outputs with this one's");
  };
  std::vector<Folder> toLock;
  for (const std::string& name : folders) {
    const int fd = ::open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
      cannotLock(name, errno);
      if (fd >= 0) ::close(fd);
      continue;
    }
    const bool twice = std::any_of(toLock.begin(), toLock.end(), [&st](const Folder& f) {
      return f.dev == st.st_dev && f.ino == st.st_ino;
    });
    if (twice) {
      // flock() locks an open file, not a folder: a second lock of the same
      // folder from this run would wait for the first.
      ::close(fd);
      continue;
    }
    toLock.push_back({st.st_dev, st.st_ino, fd, name});
  }
  // Every run takes its folders in the same order, so two runs never hold one
  // folder each while waiting for the other's.
  std::sort(toLock.begin(), toLock.end(), [](const Folder& a, const Folder& b) {
    return std::tie(a.dev, a.ino) < std::tie(b.dev, b.ino);
  });
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  bool noted = false;
  std::optional<Busy> busy;
  for (const Folder& folder : toLock) {
    fds_.push_back(folder.fd);
    if (busy) continue;
    auto pause = std::chrono::milliseconds(1);
    while (::flock(folder.fd, LOCK_EX | LOCK_NB) != 0) {
      if (errno == EINTR) continue;
      if (errno != EWOULDBLOCK) {
        cannotLock(folder.name, errno);
        break;
      }
      const auto waited = Clock::now() - start;
      if (waited >= wait) {
        busy = Busy{shownFolder(folder.name),
                    shownFolder(folder.name) +
                        ": another helisolv run is using this folder and did not end within " +
                        shownWait(wait)};
        break;
      }
      if (!noted && waited >= std::chrono::seconds(1) && io.ch.errors) {
        *io.ch.errors << "helisolv: waiting for another helisolv run in "
                      << shownFolder(folder.name) << " to end (at most " << shownWait(wait)
                      << ")\n";
        io.ch.errors->flush();
        noted = true;
      }
      // Short at first, where a run of a few milliseconds ends; then at most
      // 20 ms apart, so that a waiting run starts soon after the other ends.
      std::this_thread::sleep_for(std::min<Clock::duration>(pause, wait - waited));
      pause = std::min(pause * 2, std::chrono::milliseconds(20));
    }
  }
  if (busy) {
    for (int fd : fds_) ::close(fd);
    fds_.clear();
  }
  return busy;
}

std::string temporaryName(const std::string& path, std::string_view tag) {
  // Appended piece by piece: GCC 12's restrict check at -O3 takes the
  // temporaries of a chain of + for overlapping copies.
  std::string name = path;
  name += '.';
  name += std::to_string(::getpid());
  if (!tag.empty()) {
    name += '.';
    name.append(tag);
  }
  name += ".tmp";
  return name;
}

void removeStaleTemporaries(const std::string& dir, std::span<const std::string_view> names) {
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string entry = it->path().filename().string();
    for (std::string_view name : names) {
      if (!isTemporaryOf(entry, name)) continue;
      const std::string path = joinPath(dir, entry);
      if (isRegular(path)) ::unlink(path.c_str());
      break;
    }
  }
}

std::optional<std::string> notReplaceable(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return std::nullopt;
  if (S_ISDIR(st.st_mode)) return "is a folder";
  if (S_ISLNK(st.st_mode)) return "is a symbolic link";
  if (S_ISFIFO(st.st_mode)) return "is a FIFO (named pipe)";
  return "is not a regular file";
}

std::string danglingLink(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return {};
  if (::stat(path.c_str(), &st) == 0 || errno != ENOENT) return {};
  char target[PATH_MAX];
  const ssize_t n = ::readlink(path.c_str(), target, sizeof target);
  const std::string shown = n > 0 && static_cast<size_t>(n) < sizeof target
                                ? std::string(target, static_cast<size_t>(n))
                                : std::string("?");
  return "is a symbolic link to " + helisolv::quoted(shown) + ", which does not exist";
}

std::optional<std::string> readRegularFile(const std::string& path, size_t limit) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  std::optional<std::string> text;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<size_t>(st.st_size) <= limit) {
    text.emplace();
    char chunk[8192];
    for (;;) {
      const ssize_t n = ::read(fd, chunk, sizeof chunk);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 || text->size() + static_cast<size_t>(n) > limit) {
        text.reset();
        break;
      }
      if (n == 0) break;
      text->append(chunk, static_cast<size_t>(n));
    }
  }
  ::close(fd);
  return text;
}

bool isSetLink(const std::string& dir, std::string_view name) {
  const std::string path = joinPath(dir, name);
  char target[PATH_MAX];
  const ssize_t n = ::readlink(path.c_str(), target, sizeof target);
  return n > 0 && std::string_view(target, static_cast<size_t>(n)) ==
                      std::string(kSetLinkPrefix) + std::string(name);
}

std::optional<std::string> setsFolderRefused(const std::string& dir) {
  struct stat st {};
  if (::lstat(joinPath(dir, kSetsFolder).c_str(), &st) != 0 || S_ISDIR(st.st_mode))
    return std::nullopt;
  return notReplaceable(joinPath(dir, kSetsFolder)).value_or("is not a folder");
}

namespace {

// The set folder `current` names, or empty.
std::string currentSet(const std::string& sets) {
  char target[PATH_MAX];
  const ssize_t n = ::readlink(joinPath(sets, "current").c_str(), target, sizeof target);
  if (n <= 0 || static_cast<size_t>(n) >= sizeof target) return {};
  return std::string(target, static_cast<size_t>(n));
}

// A link at path to target, made beside in the sets folder and renamed into
// place, so the name never goes missing; 0 or the errno.
int placeLink(const std::string& sets, const std::string& target, const std::string& path) {
  const std::string temp = joinPath(sets, "link." + std::to_string(::getpid()) + ".tmp");
  ::unlink(temp.c_str());
  if (::symlink(target.c_str(), temp.c_str()) != 0) return errno;
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(temp.c_str());
    return error;
  }
  return 0;
}

// Writes the files into a new set folder `name` in sets and makes them
// durable; the failure, the folder then gone.
std::optional<FileFailure> writeSet(const std::string& sets, const std::string& name,
                                    std::span<const FileText> files) {
  const std::string folder = joinPath(sets, name);
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  auto failure = [&](const std::string& file, int error) {
    std::filesystem::remove_all(folder, ec);
    return std::optional<FileFailure>(FileFailure{file, why(error)});
  };
  if (::mkdir(folder.c_str(), 0777) != 0)
    return failure(files.empty() ? std::string(kSetsFolder) : files.front().name, errno);
  NewFiles written;
  for (const FileText& file : files)
    if (const int error = written.write(joinPath(folder, file.name), file.text))
      return failure(file.name, error);
  if (const int error = written.commit()) return failure(files.back().name, error);
  if (!syncFolder(folder.c_str())) return failure(files.back().name, errno);
  return std::nullopt;
}

// Makes `name` the set in force, durably; 0 or the errno.
int putInForce(const std::string& sets, const std::string& name) {
  if (const int error = placeLink(sets, name, joinPath(sets, "current"))) return error;
  return syncFolder(sets.c_str()) ? 0 : errno;
}

// Removes a set folder that is not in force and the links of dir that only it
// used.
void removeSet(const std::string& dir, const std::string& name, bool links) {
  const std::string sets = joinPath(dir, kSetsFolder);
  const std::string folder = joinPath(sets, name);
  std::error_code ec;
  if (links) {
    const std::string inForce = joinPath(sets, currentSet(sets));
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
      const std::string file = it->path().filename().string();
      struct stat st {};
      if (isSetLink(dir, file) && ::lstat(joinPath(inForce, file).c_str(), &st) != 0)
        ::unlink(joinPath(dir, file).c_str());
    }
  }
  std::filesystem::remove_all(folder, ec);
}

}  // namespace

std::vector<std::string> currentSetNames(const std::string& dir) {
  const std::string sets = joinPath(dir, kSetsFolder);
  const std::string name = currentSet(sets);
  std::vector<std::string> names;
  if (name.empty()) return names;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(joinPath(sets, name), ec), end; !ec && it != end;
       it.increment(ec))
    names.push_back(it->path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

int prepareSetFolder(const std::string& dir, const std::string& recordName,
                     std::span<const std::string> named) {
  const std::string sets = joinPath(dir, kSetsFolder);
  if (::mkdir(sets.c_str(), 0777) != 0 && errno != EEXIST) return errno;
  // Sets of killed runs and their temporary links: anything but the set in force.
  const std::string inForce = currentSet(sets);
  std::error_code ec;
  std::vector<std::string> stale;
  for (std::filesystem::directory_iterator it(sets, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string entry = it->path().filename().string();
    if (entry != "current" && entry != inForce) stale.push_back(entry);
  }
  for (const std::string& entry : stale) std::filesystem::remove_all(joinPath(sets, entry), ec);
  if (!isRegular(joinPath(dir, recordName))) return 0;

  // An earlier version's files: copied into a set put in force, then each name
  // turned into its link, which shows the same bytes.
  // A run killed while doing so left some names turned already: their bytes
  // are in the set in force.
  std::vector<FileText> files;
  for (const std::string& name : named) {
    if (name == recordName) continue;
    const std::string path = isSetLink(dir, name) && !inForce.empty()
                                 ? joinPath(joinPath(sets, inForce), name)
                                 : joinPath(dir, name);
    if (auto text = readRegularFile(path, size_t{1} << 30))
      files.push_back({name, std::move(*text)});
  }
  auto record = readRegularFile(joinPath(dir, recordName), size_t{1} << 30);
  if (!record) return EIO;
  files.push_back({recordName, std::move(*record)});
  const std::string name = "set." + std::to_string(::getpid()) + ".adopted";
  if (writeSet(sets, name, files)) return EIO;
  if (const int error = putInForce(sets, name)) {
    removeSet(dir, name, false);
    return error;
  }
  if (!inForce.empty()) removeSet(dir, inForce, false);
  for (const FileText& file : files)
    if (const int error =
            placeLink(sets, std::string(kSetLinkPrefix) + file.name, joinPath(dir, file.name)))
      return error;
  return syncFolder(dir.c_str()) ? 0 : errno;
}

std::optional<FileFailure> putFileSetInPlace(const std::string& dir,
                                             std::span<const FileText> files) {
  const std::string sets = joinPath(dir, kSetsFolder);
  if (::mkdir(sets.c_str(), 0777) != 0 && errno != EEXIST)
    return FileFailure{files.empty() ? std::string(kSetsFolder) : files.back().name, why(errno)};
  const std::string previous = currentSet(sets);
  // A name of its own in each run of the process (a library may run many).
  static std::atomic<unsigned> serial{0};
  const std::string name = "set." + std::to_string(::getpid()) + "." + std::to_string(++serial);
  if (auto failed = writeSet(sets, name, files)) return failed;
  // The links first: until `current` changes they show the previous set.
  bool linked = false;
  for (const FileText& file : files) {
    if (isSetLink(dir, file.name)) continue;
    if (const int error =
            placeLink(sets, std::string(kSetLinkPrefix) + file.name, joinPath(dir, file.name))) {
      removeSet(dir, name, false);
      return FileFailure{file.name, why(error)};
    }
    linked = true;
  }
  if (linked && !syncFolder(dir.c_str())) {
    const int error = errno;
    removeSet(dir, name, false);
    return FileFailure{files.back().name, why(error)};
  }
  if (const int error = putInForce(sets, name)) {
    removeSet(dir, name, false);
    return FileFailure{files.back().name, why(error)};
  }
  if (!previous.empty() && previous != name) removeSet(dir, previous, true);
  return std::nullopt;
}

void withdrawFileSet(const std::string& dir) {
  const std::string sets = joinPath(dir, kSetsFolder);
  const std::string previous = currentSet(sets);
  ::unlink(joinPath(sets, "current").c_str());
  syncFolder(sets.c_str());
  if (!previous.empty()) removeSet(dir, previous, true);
}

namespace detail {

std::streamsize DescriptorBuffer::xsputn(const char* s, std::streamsize n) {
  pending_.append(s, static_cast<size_t>(n));
  return n;
}

DescriptorBuffer::int_type DescriptorBuffer::overflow(int_type c) {
  if (!traits_type::eq_int_type(c, traits_type::eof()))
    pending_.push_back(traits_type::to_char_type(c));
  return traits_type::not_eof(c);
}

int DescriptorBuffer::sync() {
  if (pending_.empty()) return 0;
  // One write for the records of a flush: a signal handler that appends its
  // line finds whole records before it.
  const bool whole = fd >= 0 && writeAll(fd, pending_.data(), pending_.size());
  if (fd < 0) errno = EBADF;
  pending_.clear();
  return whole ? 0 : -1;
}

}  // namespace detail

ReportFile::ReportFile(Interruption* interruption, Session& io)
    : std::ostream(&buffer), interruption_(interruption), io_(io) {}

ReportFile::~ReportFile() {
  HoldStopSignals hold;
  if (interruption_) interruption_->disarmReport();
  if (!temp_.empty()) ::unlink(temp_.c_str());
  closeFile();
}

void ReportFile::closeFile() {
  if (buffer.fd >= 0) ::close(buffer.fd);
  buffer.fd = -1;
}

void ReportFile::open(const std::string& name) {
  closeFile();
  clear();
  direct_ = false;
  temp_.clear();
  target_ = followLinks(name);
  struct stat st {};
  const bool exists = ::stat(target_.c_str(), &st) == 0;
  int fd = -1;
  HoldStopSignals hold;
  if (exists && S_ISCHR(st.st_mode)) {
    fd = ::open(target_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY);
    direct_ = true;
  } else if (exists && ::access(target_.c_str(), W_OK) != 0) {
    setstate(std::ios::failbit);
    return;
  } else {
    mode_.reset();
    if (exists) mode_ = st.st_mode & 07777;
    temp_ = temporaryName(target_);
    fd = ::open(temp_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST) {
      ::unlink(temp_.c_str());
      fd = ::open(temp_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    }
    if (fd >= 0 && mode_) ::fchmod(fd, *mode_);
    if (fd < 0) {
      // No file can be made beside it (a folder that may not be written, only
      // the file): the report is written in place, as it always could be.
      const int error = errno;
      temp_.clear();
      fd = ::open(target_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
      direct_ = true;
      if (fd >= 0)
        warn(io_, "report in place",
             "no temporary file can be made beside " + helisolv::quoted(target_) + " (" +
                 why(error) +
                 "), so the report is written in place and a run stopped early leaves it cut "
                 "short");
    }
  }
  if (fd < 0) {
    const int error = errno;
    temp_.clear();
    setstate(std::ios::failbit);
    errno = error;
    return;
  }
  buffer.fd = fd;
  if (interruption_) interruption_->armReport(fd, temp_, target_);
}

std::optional<std::string> ReportFile::putInPlace() {
  flush();
  HoldStopSignals hold;
  if (interruption_) interruption_->disarmReport();
  if (temp_.empty()) {
    closeFile();
    return std::nullopt;
  }
  std::optional<std::string> failed;
  if (::fsync(buffer.fd) != 0 || ::rename(temp_.c_str(), target_.c_str()) != 0) {
    failed = why(errno);
    ::unlink(temp_.c_str());
  }
  temp_.clear();
  closeFile();
  return failed;
}

void ReportFile::showSoFar() {
  if (buffer.fd < 0 || temp_.empty()) return;
  flush();
  HoldStopSignals hold;
  const std::string copy = temporaryName(target_, "copy");
  int error = 0;
  const int copyFd = ::open(copy.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (copyFd < 0) {
    error = errno;
  } else {
    char chunk[65536];
    for (off_t at = 0;;) {
      const ssize_t n = ::pread(buffer.fd, chunk, sizeof chunk, at);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 || (n > 0 && !writeAll(copyFd, chunk, static_cast<size_t>(n)))) {
        error = errno;
        break;
      }
      if (n == 0) break;
      at += n;
    }
    if (error == 0 && mode_) ::fchmod(copyFd, *mode_);
    if (error == 0 && ::fsync(copyFd) != 0) error = errno;
    if (::close(copyFd) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(copy.c_str(), target_.c_str()) != 0) error = errno;
  }
  if (error != 0) {
    ::unlink(copy.c_str());
    warn(io_, "report so far",
         "the report so far could not be put in " + helisolv::quoted(target_) +
             " for the command (" + why(error) + ")");
  }
}

}  // namespace helisolv
