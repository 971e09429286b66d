// The CSV files of a run (--csv DIR): run.csv with the inputs, the outcome and
// the result block, and one file per table the run printed.
#pragma once

#include <optional>
#include <string>

#include "series/viscous_correction.hpp"

namespace helisolv {

// Makes dir when it is missing and checks that files can be written in it.
// Returns why not, or nothing when the folder is ready.
std::optional<std::string> prepareCsvDirectory(const std::string& dir);

// Collects what the run hands to the data export while it is alive; only one
// exists at a time.
class CsvExport {
 public:
  CsvExport(std::string dir, ViscousCorrection correction);
  ~CsvExport();
  CsvExport(const CsvExport&) = delete;
  CsvExport& operator=(const CsvExport&) = delete;

  // Writes the files for a run that ended with this exit status: everything
  // after a result (0), run.csv with the reason after a refusal (3), run.csv
  // alone after a run-time error (1). Returns the status the run ends with: 1
  // when a file cannot be written (with the run-time error report), otherwise
  // status.
  int finish(int status);
};

}  // namespace helisolv
