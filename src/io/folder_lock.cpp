#include "io/folder_lock.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <thread>
#include <tuple>

#include "io/error_text.hpp"
#include "io/runtime_error.hpp"

namespace helisolv {

namespace {

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
         "cannot lock the folder " + shownFolder(folder) + " (" + errorText(error) +
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

}  // namespace helisolv
