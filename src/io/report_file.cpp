#include "io/report_file.hpp"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "io/error_text.hpp"
#include "io/file_calls.hpp"
#include "io/runtime_error.hpp"
#include "io/temporary_files.hpp"

namespace helisolv {

namespace {

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

}  // namespace

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
                 errorText(error) +
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
    failed = errorText(errno);
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
             " for the command (" + errorText(error) + ")");
  }
}

}  // namespace helisolv
