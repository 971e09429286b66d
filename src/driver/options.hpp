// The command line: what a run does besides its report.
#pragma once

#include <array>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "helisolv/task.hpp"

namespace helisolv {

struct Options {
  // Folder for the CSV files of the run's tables and results; none without --csv.
  std::optional<std::string> csvDir;
  ModelOptions models;
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

// One value of a model option: --OPTION=VALUE on the command line sets the
// ModelOptions field of the choice's type. This table is the one place the
// names live; run.csv and anything else that names a model take them from it.
struct ModelOptionValue {
  std::string_view option;  // without the leading "--"
  std::string_view value;
  std::variant<ViscousCorrection, GawnModel> choice;
  std::string_view help;  // what the value computes, for --help
};

// The first value of each option is its default.
inline constexpr std::array<ModelOptionValue, 5> kModelOptionValues{{
    {"viscous-correction", "legacy", ViscousCorrection::Legacy,
     "the program's own scale correction (default)"},
    {"viscous-correction", "ittc78", ViscousCorrection::Ittc78,
     "the published ITTC-78 scale correction"},
    {"viscous-correction", "reynolds", ViscousCorrection::Reynolds,
     "the published B-series Reynolds-number correction"},
    {"gawn-model", "legacy", GawnModel::Legacy, "the program's own Gawn polynomials (default)"},
    {"gawn-model", "regression", GawnModel::Regression, "the published Gawn-Burrill regression"},
}};

// Sets the model option of that name to the value of that name; false, with
// models unchanged, when the table has no such pair.
bool setModelOption(ModelOptions& models, std::string_view option, std::string_view value);

// The name of the value the option has in models; empty for no such option.
std::string_view modelOptionValue(const ModelOptions& models, std::string_view option);

// Parses argv into options. Returns the exit status when the command line
// itself ends the program (-h, --help and --version: 0; a usage error: 2, with
// a line naming the argument and why, then the usage line, on err), or nothing
// when the run goes on.
std::optional<int> parseOptions(int argc, const char* const* argv, Options& options,
                                std::ostream& out, std::ostream& err);

}  // namespace helisolv
