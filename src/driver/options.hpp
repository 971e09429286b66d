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
  // The model options named on the command line, which win over a task file's.
  bool viscousCorrectionGiven = false;
  bool gawnModelGiven = false;
  // TASK: the task file to run (either form); none: Helisolv.Tsk in the current folder.
  std::optional<std::string> taskFile = std::nullopt;
  // --output FILE: the result file; none: beside TASK and named after it, or
  // Helisolv.Son in the current folder.
  std::optional<std::string> outputFile = std::nullopt;
  // helisolv convert FILE: print the task file in its other form; no run.
  std::optional<std::string> convertFile = std::nullopt;
};


// Parses argv into options. Returns the exit status when the command line
// itself ends the program (-h, --help and --version: 0; a usage error: 2, with
// a line naming the argument and why, then the usage line, on err), or nothing
// when the run goes on.
std::optional<int> parseOptions(int argc, const char* const* argv, Options& options,
                                std::ostream& out, std::ostream& err);

}  // namespace helisolv
