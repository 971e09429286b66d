// The CSV files of a run change as a whole: a reader finds at every name the
// file of one run, the previous or the new one, however the writing run ends.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace helisolv {

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

}  // namespace helisolv
