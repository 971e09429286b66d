// A whole run of a problem type in memory: the task file's text and the
// console answers in, the console and result-file bytes, the tables and the
// result values out. Nothing is read from or written to any folder unless
// the options ask for the CSV files; a pause reply never runs as a command.
// Runs share nothing: any number may go on at once in different threads.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "helisolv/task.hpp"
#include "helisolv/task_file.hpp"

namespace helisolv {

// What a run does besides its report, as the command line says it.
struct RunOptions {
  ModelOptions models;  // --viscous-correction=NAME
  // A task file's own model option stands where models holds the default,
  // unless these say the caller chose it: parseRunArguments sets them for an
  // option the arguments name, so that, as on the command line, a named
  // option wins over the file's even where it names the default.
  bool viscousCorrectionGiven = false;
  bool gawnModelGiven = false;
  std::optional<std::string> csvDir;  // --csv DIR: also write the CSV files there
  // --lang=NAME: "tr" (the default, the reference report) or "en", every text
  // of the run in English with the same numbers; any other name: status 2.
  std::string language = "tr";
};

// A quantity of the run: an input as read, or a value of the result block.
// The value is the text of its CSV field (without the quotes of a field that
// holds a separator): for a number the shortest text that reads back to the
// 32-bit value, empty where the report prints asterisks.
struct RunQuantity {
  std::string name;
  std::string value;
  std::string unit;
};

// A table the run printed, as its CSV file holds it, each field's text as
// a RunQuantity's value.
struct RunTable {
  std::string name;                  // the file's name without ".csv", e.g. "open_water"
  std::vector<std::string> columns;  // units in brackets; a 0/1 marker column last
  std::vector<std::vector<std::string>> rows;
};

struct RunResult {
  // A run-time error's report is in errors.
  ExitStatus exitStatus = ExitStatus::Result;
  std::string console;     // the console bytes
  std::string resultFile;  // the bytes of Helisolv.Son
  std::string errors;      // standard error: the run-time error report, warnings, notes
  std::vector<RunQuantity> inputs;
  std::vector<RunQuantity> results;  // the result block; empty without a result
  std::vector<RunTable> tables;      // empty without a result, as in the CSV files
  std::vector<std::string> warnings;
  std::string reason;  // why the inputs were refused (status 3), as one line of the report
  // The Turkish texts a run in another language printed as they are, for want
  // of a twin in the catalogue, each once (empty in a Turkish run).
  std::vector<std::string> untranslated;
};

// Runs the task file's text (either form) with these console answers (one
// line each). A keyword file that cannot be read or holds an impossible value
// does not run: its errors are in errors, the first in reason, and the status
// is parseTask's.
RunResult run(std::string_view taskText, std::string_view answers = {},
              const RunOptions& options = {});

// Runs a task file read by parseTask: its answers stand in for the console's
// (answers then give the rest), its model options for the options' defaults.
RunResult run(const TaskFile& file, std::string_view answers = {}, const RunOptions& options = {});

// Runs a task given as a value, through the task file that holds it.
RunResult run(const Task& task, std::string_view answers = {}, const RunOptions& options = {});

// The task file holding the task: its series and problem types on their lines
// and its problem type's inputs, each real as the shortest text that reads back
// to the same 32-bit value.
std::string taskFileText(const Task& task);

// Reads command-line arguments (without the program's name) into options.
// Returns nothing when a run goes on; otherwise what the command line itself
// ends with: --help and --version (status 0, the text on the console) or a
// usage error (status 2, the usage line on errors).
std::optional<RunResult> parseRunArguments(std::span<const std::string> args, RunOptions& options);

}  // namespace helisolv
