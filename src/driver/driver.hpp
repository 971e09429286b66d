// The run from task file to stop.
#pragma once

#include <iosfwd>

#include "driver/options.hpp"

namespace helisolv {

// One whole run in the current directory: resets the problem record, opens
// Helisolv.Son and Helisolv.Tsk, reads the task, runs its solver and returns
// the exit status (0 after a stop with a result, 3 after a stop whose inputs
// were refused, 1 after a run-time error).
int runProgram(std::istream& keyboard, std::ostream& console, std::ostream& errors,
               const Options& options = {});

}  // namespace helisolv
