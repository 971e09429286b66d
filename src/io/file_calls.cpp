#include "io/file_calls.hpp"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "io/runtime_error.hpp"

namespace helisolv {

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

bool syncFolder(const char* path) noexcept {
  const int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}

std::string joinPath(const std::string& dir, std::string_view name) {
  return dir + "/" + std::string(name);
}

bool isRegular(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
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

}  // namespace helisolv
