#include "io/temporary_files.hpp"

#include <unistd.h>

#include <filesystem>

#include "io/file_calls.hpp"

namespace helisolv {

namespace {

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

}  // namespace

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

}  // namespace helisolv
