// The command line: what a run does besides its report.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "helisolv/task.hpp"

namespace helisolv {

struct Options {
  // Folder for the CSV files of the run's tables and results; none without --csv.
  std::optional<std::string> csvDir;
  ModelOptions models;
};

// Parses argv into options. Returns the exit status when the command line
// itself ends the program (-h, --help and --version: 0; a usage error: 2, with
// a line naming the argument and why, then the usage line, on err), or nothing
// when the run goes on.
std::optional<int> parseOptions(int argc, const char* const* argv, Options& options,
                                std::ostream& out, std::ostream& err);

}  // namespace helisolv
