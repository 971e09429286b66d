// The CSV files of a run (--csv DIR): run.csv with the inputs, the outcome and
// the result block, and one file per table the run printed.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "export/run_data.hpp"
#include "helisolv/task.hpp"
#include "io/session.hpp"

namespace helisolv {

class Interruption;

// Makes dir when it is missing and checks that files can be written in it and
// that no folder, link or FIFO bears the name of one of its files (the run
// replaces them by rename). Returns why not (the name shown escaped), or
// nothing when the folder is ready.
std::optional<std::string> prepareCsvDirectory(const std::string& dir);

// What run.csv says of the run besides its data: which problem and series,
// and which correction the series was evaluated with.
struct RunSummary {
  int problemType = 0;
  Series seriesType{};
  ModelOptions models;
};

// The lines of run.csv for a run that ended with this exit status.
std::vector<CsvLine> runCsvLines(const RunData& data, const RunSummary& summary,
                                 const std::vector<Warning>& warnings, int status);

// The CSV folder of a console run, taken once the run holds its lock: what a
// run killed there left is removed, and the tables the folder's previous
// run.csv names are the only files this run may remove.
struct CsvFolder {
  explicit CsvFolder(std::string folder);
  std::string dir;
  std::vector<std::string> previousTables;
};

// Keeps the run.csv that a stop signal puts in place up to date with what the
// run has read so far (outcome interrupted, the signal, no tables; the previous
// run's tables go); the record is withdrawn when this goes. Does nothing
// without an interruption (no signal handler).
class InterruptedRunCsv {
 public:
  InterruptedRunCsv(Interruption* interruption, const CsvFolder& folder);
  ~InterruptedRunCsv();
  InterruptedRunCsv(const InterruptedRunCsv&) = delete;
  InterruptedRunCsv& operator=(const InterruptedRunCsv&) = delete;

  // Remakes the record when what it shows has changed: the problem type, the
  // series, an input, the viscous flag or a warning.
  void refresh(const RunData& data, const RunSummary& summary,
               const std::vector<Warning>& warnings);

 private:
  struct Shown {
    int problemType;
    Series seriesType;
    int viscousFlag;
    std::vector<CsvLine> inputs;
    size_t warnings;
  };
  Interruption* interruption_;
  const CsvFolder& folder_;
  std::optional<Shown> shown_;
};

// Puts the files in place for a run that ended with this exit status:
// everything after a result (0), run.csv with the reason after a refusal (3),
// run.csv alone after a run-time error (1); run.csv last, ending in one
// "rows in FILE,COUNT," row per table, and the previous record's tables that
// this run does not replace removed. Returns the status the run ends with: 1
// when a file cannot be written (with the run-time error report on io's error
// stream; run.csv then says error and names no tables, or is gone when even
// that cannot be written), otherwise status. Call with the stop signals held.
int writeCsvFiles(Session& io, const CsvFolder& folder, const RunData& data,
                  const RunSummary& summary, int status);

}  // namespace helisolv
