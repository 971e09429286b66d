#include "io/safe_files.hpp"

#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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

void Interruption::armRunCsv(const std::string& dir, std::string head, std::string tail,
                             const std::vector<std::string>& remove) {
  HoldStopSignals hold;
  owner_ = ::getpid();
  csvHead_ = std::move(head);
  csvTail_ = std::move(tail);
  csvTarget_ = joinPath(dir, "run.csv");
  csvTemp_ = temporaryName(csvTarget_, "stop");
  csvRemove_.clear();
  for (const std::string& name : remove) csvRemove_.push_back(joinPath(dir, name));
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
    const int fd = ::open(csvTemp_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd >= 0) {
      bool whole = writeAll(fd, csvHead_.data(), csvHead_.size()) &&
                   writeAll(fd, name, std::strlen(name)) &&
                   writeAll(fd, csvTail_.data(), csvTail_.size()) && ::fsync(fd) == 0;
      whole = ::close(fd) == 0 && whole;
      // The record that names no tables is in place before the tables it no
      // longer names go: at no moment does a run.csv name a missing file.
      if (whole && ::rename(csvTemp_.c_str(), csvTarget_.c_str()) == 0) {
        for (const std::string& path : csvRemove_) {
          struct stat st {};
          if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(path.c_str());
        }
      } else {
        ::unlink(csvTemp_.c_str());
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
  std::string name = path + "." + std::to_string(::getpid());
  if (!tag.empty()) name += "." + std::string(tag);
  return name + ".tmp";
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

std::optional<FileFailure> putFileSetInPlace(const std::string& dir,
                                             std::span<const FileText> files,
                                             const FileText& record, const std::string& interim,
                                             std::span<const std::string> previous) {
  std::vector<std::string> temps;
  auto removeTemps = [&temps]() {
    for (const std::string& temp : temps) ::unlink(temp.c_str());
  };
  auto failure = [&](const std::string& name, int error) {
    removeTemps();
    return std::optional<FileFailure>(FileFailure{name, why(error)});
  };
  const std::string recordPath = joinPath(dir, record.name);
  const std::string recordTemp = temporaryName(recordPath);
  const std::string interimTemp = temporaryName(recordPath, "interim");
  {
    NewFiles written;
    for (const FileText& file : files) {
      temps.push_back(temporaryName(joinPath(dir, file.name)));
      if (const int error = written.write(temps.back(), file.text)) {
        temps.pop_back();
        return failure(file.name, error);
      }
    }
    if (const int error = written.write(recordTemp, record.text))
      return failure(record.name, error);
    temps.push_back(recordTemp);
    if (!interim.empty()) {
      if (const int error = written.write(interimTemp, interim)) return failure(record.name, error);
      temps.push_back(interimTemp);
    }
    if (const int error = written.commit()) return failure(record.name, error);
  }
  if (!interim.empty()) {
    if (::rename(interimTemp.c_str(), recordPath.c_str()) != 0) return failure(record.name, errno);
    temps.pop_back();
  }
  // From here on the record in place describes the folder at every moment:
  // the previous files go once a record that no longer counts them is in
  // place, the interim one or else the new one.
  auto removePrevious = [&]() {
    for (const std::string& name : previous) {
      const bool replaced = std::any_of(files.begin(), files.end(),
                                        [&name](const FileText& f) { return f.name == name; });
      const std::string path = joinPath(dir, name);
      if (!replaced && isRegular(path)) ::unlink(path.c_str());
    }
  };
  if (!interim.empty()) removePrevious();
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string path = joinPath(dir, files[i].name);
    if (::rename(temps[i].c_str(), path.c_str()) != 0) {
      const int error = errno;
      // The files already in place are this run's, named by no record.
      for (size_t j = 0; j < i; ++j) ::unlink(joinPath(dir, files[j].name).c_str());
      temps.erase(temps.begin(), temps.begin() + static_cast<std::ptrdiff_t>(i));
      return failure(files[i].name, error);
    }
  }
  if (::rename(recordTemp.c_str(), recordPath.c_str()) != 0) {
    const int error = errno;
    for (const FileText& file : files) ::unlink(joinPath(dir, file.name).c_str());
    temps = {recordTemp};
    return failure(record.name, error);
  }
  if (interim.empty()) removePrevious();
  return std::nullopt;
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
