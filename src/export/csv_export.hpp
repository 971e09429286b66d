// The CSV files of a run (--csv DIR): run.csv with the inputs, the outcome and
// the result block, and one file per table the run printed.
#pragma once

#include <optional>
#include <string>

#include "export/run_data.hpp"
#include "helisolv/task.hpp"
#include "io/session.hpp"

namespace helisolv {

// Makes dir when it is missing and checks that files can be written in it.
// Returns why not, or nothing when the folder is ready.
std::optional<std::string> prepareCsvDirectory(const std::string& dir);

// What run.csv says of the run besides its data: which problem and series,
// and which correction the series was evaluated with.
struct RunSummary {
  int problemType = 0;
  int seriesType = 0;
  ModelOptions models;
};

// The lines of run.csv for a run that ended with this exit status.
std::vector<CsvLine> runCsvLines(const RunData& data, const RunSummary& summary,
                                 const std::vector<Warning>& warnings, int status);

// Writes the files for a run that ended with this exit status: everything
// after a result (0), run.csv with the reason after a refusal (3), run.csv
// alone after a run-time error (1). Returns the status the run ends with: 1
// when a file cannot be written (with the run-time error report on io's error
// stream), otherwise status.
int writeCsvFiles(Session& io, const std::string& dir, const RunData& data,
                  const RunSummary& summary, int status);

}  // namespace helisolv
