// The selection's tables as CSV files, in the shape of the program's CSV
// export: run.csv (quantity, value, unit: the inputs, the outcome, the chosen
// propeller, the warnings and the row count of each table), selection.csv
// (one row per blade number), speed_power.csv and area_ratio_sweep.csv.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "helisolv/selection.hpp"
#include "io/file_set.hpp"

namespace helisolv::selection {

// The files of a selection, run.csv last.
std::vector<FileText> csvFiles(const SelectionInputs& in, const SelectionResult& r,
                               const std::vector<AreaRatioPoint>& sweep);

// Writes them into dir (made when missing), all in place or none; returns why not.
std::optional<std::string> writeCsv(const std::string& dir, const SelectionInputs& in,
                                    const SelectionResult& r,
                                    const std::vector<AreaRatioPoint>& sweep);

}  // namespace helisolv::selection
