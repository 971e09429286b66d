// The small file calls the output parts share: whole writes and durable
// folders that a signal handler may use, and the questions a run asks of an
// entry before it replaces or reads it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace helisolv {

// Async-signal-safe: the whole of n bytes, or false.
bool writeAll(int fd, const char* data, size_t n) noexcept;

// Async-signal-safe: makes the entries of a folder durable.
bool syncFolder(const char* path) noexcept;

std::string joinPath(const std::string& dir, std::string_view name);

// The entry itself (never followed as a link) is a regular file.
bool isRegular(const std::string& path);

// Why the entry is not something a run may replace (a folder, a symbolic
// link, a FIFO...), or nothing when it is a regular file or absent.
std::optional<std::string> notReplaceable(const std::string& path);

// The entry is a symbolic link whose target does not exist: says so, naming
// the target; otherwise empty.
std::string danglingLink(const std::string& path);

// The whole content of a regular file of at most limit bytes; nothing when it
// is missing, not a regular file (never followed as a link), or larger.
std::optional<std::string> readRegularFile(const std::string& path, size_t limit);

}  // namespace helisolv
