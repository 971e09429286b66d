// The command line: what a run does besides its report.
#pragma once

#include <array>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "helisolv/model_options.hpp"
#include "helisolv/task.hpp"
#include "i18n/catalogue.hpp"

namespace helisolv {

struct Options {
  // Folder for the CSV files of the run's tables and results; none without --csv.
  std::optional<std::string> csvDir;
  ModelOptions models;
  // --lang=en: every text of the run in English; Turkish is the default.
  Language language = Language::Turkish;
};


// Parses argv into options. Returns the exit status when the command line
// itself ends the program (-h, --help and --version: 0; a usage error: 2, with
// a line naming the argument and why, then the usage line, on err), or nothing
// when the run goes on.
std::optional<int> parseOptions(int argc, const char* const* argv, Options& options,
                                std::ostream& out, std::ostream& err);

}  // namespace helisolv
