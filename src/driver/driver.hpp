// The run from task file to stop.
#pragma once

#include <functional>
#include <iosfwd>

#include "driver/options.hpp"
#include "helisolv/task.hpp"
#include "io/session.hpp"
#include "io/stop_signals.hpp"

namespace helisolv {

// The run itself on the session's streams, the result file and the task
// file already in place (openTask, when given, is called right after the
// banner, where the run opens the task file): reads the task into `task`,
// runs its solver and ends at the stop, the run-time error report or a
// refusal. Returns the exit status (0 with a result, 3 refused, 1 run-time
// error); never throws for anything the run itself reports.
int runTask(Session& io, Task& task, const ModelOptions& models,
            const std::function<void()>& openTask = {});

// One whole run in the current directory: waits for any other run on the
// folder and the CSV folder, opens Helisolv.Son and Helisolv.Tsk, runs the
// task, puts Helisolv.Son and the CSV files (when asked) in place whole and
// returns the exit status (0 after a stop with a result, 3 after a stop whose
// inputs were refused, 1 after a run-time error, 2 when the CSV folder cannot
// be used). guard says what a stop signal then finds.
int runProgram(std::istream& keyboard, std::ostream& console, std::ostream& errors,
               const Options& options = {}, const RunGuard& guard = {});

}  // namespace helisolv
