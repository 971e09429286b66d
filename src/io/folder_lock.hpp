// One run at a time holds a folder, so that two runs never mix their outputs.
#pragma once

#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "io/session.hpp"

namespace helisolv {

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

}  // namespace helisolv
