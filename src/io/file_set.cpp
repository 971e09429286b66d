#include "io/file_set.hpp"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <filesystem>

#include "io/error_text.hpp"
#include "io/file_calls.hpp"

namespace helisolv {

namespace {

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

}  // namespace

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
    return std::optional<FileFailure>(FileFailure{file, errorText(error)});
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
    return FileFailure{files.empty() ? std::string(kSetsFolder) : files.back().name,
                       errorText(errno)};
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
      return FileFailure{file.name, errorText(error)};
    }
    linked = true;
  }
  if (linked && !syncFolder(dir.c_str())) {
    const int error = errno;
    removeSet(dir, name, false);
    return FileFailure{files.back().name, errorText(error)};
  }
  if (const int error = putInForce(sets, name)) {
    removeSet(dir, name, false);
    return FileFailure{files.back().name, errorText(error)};
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

}  // namespace helisolv
