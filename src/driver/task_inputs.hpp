// The values of the task file's input line (line 79 on) for each problem type,
// in the order the line gives them: where each goes in the task, how
// a read error names it, and its name and unit in the data export.
#pragma once

#include <vector>

#include "export/data_export.hpp"
#include "helisolv/task.hpp"
#include "io/reader.hpp"

namespace helisolv {

struct TaskInput {
  NamedTarget read;            // the task's variable, and its name with unit for read errors
  std::string_view quantity;   // its name in the data export
  std::string_view unit = {};  // its unit there; empty for a count or a ratio
};

// The input line of r's problem type; empty for a type without a solver.
std::vector<TaskInput> taskInputsOf(Task& r);

// A value just read, as the data export takes it.
data::Cell cellOf(const Target& target);

}  // namespace helisolv
