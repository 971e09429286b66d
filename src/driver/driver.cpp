#include "driver/driver.hpp"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "problems/report_lines.hpp"
#include "driver/task_inputs.hpp"
#include "export/csv_export.hpp"
#include "export/data_export.hpp"
#include "export/run_data.hpp"
#include "io/console.hpp"
#include "io/error_text.hpp"
#include "io/reader.hpp"
#include "io/runtime_error.hpp"
#include "io/safe_files.hpp"
#include "io/writer.hpp"
#include "problems/solvers.hpp"

namespace helisolv {

namespace {

// Reads and discards count whole lines of the task file, 80 characters a record.
void skipLines(Session& io, Unit unit, int count, std::string_view what) {
  for (int i = 0; i < count; ++i) readText80(io, unit, what);
}

void printBanner(Session& io) {
  static constexpr const char* kBanner[] = {
      "(1X,72('-'))",
      "(1X,'! Program: Helisolv    Versiyon: 10/12/2016      Marivenlab            !')",
      "(' !',70X,'!')",
      "(' !',5X,'WAGENINGEN/GAWN SERISI PERVANE HIDRODINAMIK KARAKTERISTILERI     !')",
      "(' !',28X,'HESAP PROGRAMI',28X,'!')",
      "(1X,72('-'))",
  };
  for (Unit unit : {Unit::Console, Unit::Result})
    for (const char* layout : kBanner) write(io, unit, layout);
}

// One free-format read of the problem type's inputs, from task-file line 79 on,
// handed to the data export as read.
void readInputs(Session& io, Task& task) {
  const std::vector<TaskInput> inputs = taskInputsOf(task);
  std::vector<NamedTarget> targets;
  for (const TaskInput& in : inputs) targets.push_back(in.read);
  readList(io, Unit::Task, targets);
  if (task.problemType == 3 || task.problemType == 4 || task.problemType == 9 ||
      task.problemType == 10)
    task.powerW = task.powerKW * 1000.0f;
  for (const TaskInput& in : inputs) data::input(io, in.quantity, cellOf(in.read.target), in.unit);
}

// A FIFO would hold the open forever, and a directory or a socket holds no
// records: only a regular file, or a character device such as the terminal
// or /dev/null, is opened. Returns why the named file is not one of these.
std::string_view notOpenable(const char* name) {
  struct stat st {};
  if (stat(name, &st) != 0) return {};
  if (S_ISREG(st.st_mode) || S_ISCHR(st.st_mode)) return {};
  if (S_ISDIR(st.st_mode)) return "is a directory, not a file";
  if (S_ISFIFO(st.st_mode)) return "is a FIFO (named pipe); only a regular file is opened";
  return "is not a regular file";
}

// The task: the banner, the series and problem types and that type's inputs,
// the solver, and the closing lines.
void solveTask(Session& io, Task& task, const ModelOptions& models,
               const std::function<void()>& openTask) {
  printBanner(io);
  if (openTask) openTask();

  skipLines(io, Unit::Task, 13, "free text line (lines 1 to 13)");
  readList(io, Unit::Task, {{&task.seriesType, "series type, 1 Wageningen B or 2 Gawn"}});
  checkSeriesType(io, task.seriesType);
  skipLines(io, Unit::Task, 63, "free text line (lines 15 to 77)");
  readList(io, Unit::Task, {{&task.problemType, "problem type, 1 to 10"}});
  checkProblemType(io, task.problemType);
  readInputs(io, task);
  data::viscousFlag(io, task.viscousFlag);
  io.tipSpeedLimit = models.tipSpeedLimit;
  const Outcome outcome = solverFor(task.problemType)(task, models, io);

  writeFree(io, Unit::Default);
  writeFree(io, Unit::Default);
  pause(io, "BITIRMEK ICIN ENTER TUSUNA BASINIZ");
  stop(io, outcome);
}

// Helisolv.Son and Helisolv.Tsk in the current folder: the result file is
// opened before the banner, the task file after it.
void runInFolder(Session& io, Task& task, const ModelOptions& models, ReportFile& result,
                 std::ifstream& taskFile) {
  if (std::string_view why = notOpenable("Helisolv.Son"); !why.empty())
    runtimeError(io, RuntimeErrorCode::CannotOpen, "OPEN", "Helisolv.Son",
                 "Helisolv.Son: it " + std::string(why));
  // An existing result file that can only be read still opens; the first
  // record written to it is then the refused write.
  result.open("Helisolv.Son");
  if (result) {
    io.ch.result = &result;
  } else {
    std::error_code ec;
    const bool readable = std::filesystem::is_regular_file("Helisolv.Son", ec) &&
                          std::ifstream("Helisolv.Son").is_open();
    if (!readable) runtimeError(io, RuntimeErrorCode::CannotOpen, "OPEN", "Helisolv.Son");
  }

  solveTask(io, task, models, [&io, &taskFile] {
    // A link to a missing file is no task file to create: that file would be
    // made wherever the link points.
    if (const std::string why = danglingLink("Helisolv.Tsk"); !why.empty())
      runtimeError(io, RuntimeErrorCode::CannotOpen, "OPEN", "Helisolv.Tsk",
                   "Helisolv.Tsk: it " + why);
    // A missing task file is created empty; the first read then meets its
    // end, and its report says the file was missing.
    std::error_code ec;
    if (!std::filesystem::exists("Helisolv.Tsk", ec) && !ec) {
      std::ofstream("Helisolv.Tsk", std::ios::binary);
      io.taskCreated = true;
    }
    if (std::string_view why = notOpenable("Helisolv.Tsk"); !why.empty())
      runtimeError(io, RuntimeErrorCode::CannotOpen, "OPEN", "Helisolv.Tsk",
                   "Helisolv.Tsk: it " + std::string(why));
    taskFile.open("Helisolv.Tsk", std::ios::binary);
    if (!taskFile)
      runtimeError(io, RuntimeErrorCode::CannotOpen, "OPEN", "Helisolv.Tsk",
                   "Helisolv.Tsk: " + errorText(errno));
    io.ch.task = &taskFile;
  });
}

// Ends a run that threw: the status of its stop or its run-time error report.
template <class Body>
int statusOf(Session& io, Body&& body) {
  int status = 0;
  try {
    body();
  } catch (const RunEnd& end) {
    status = end.status;
  } catch (const std::exception& failure) {
    // A failure of the system itself (memory, the file system) still ends the
    // run with a report, never with an abort.
    status =
        reportRuntimeError(io, RuntimeErrorCode::SystemFailure, "RUN", "helisolv", failure.what());
  }
  flushOutputs(io);
  // Console output the system refused is a failed run, even where the run
  // itself ended well: the user never saw its result.
  if (status != 1 && consoleFailed(io))
    status = reportRuntimeError(io, RuntimeErrorCode::CannotWrite, "WRITE", "stdout",
                                "stdout: the system refused the console output");
  showWarnings(io);
  return status;
}

}  // namespace

Solver solverFor(int problemType) {
  static constexpr Solver kSolvers[] = {
      solveKtJ2Design,     solveKtJ4Design,     solveKqJ5Design,    solveBollardPull,
      solveOpenWaterTable, solveOperatingPoint, solveBpDeltaDesign, solvePitchForThrust,
      solvePitchForPower,  solvePitchForTorque};
  return problemType >= 1 && problemType <= 10 ? kSolvers[problemType - 1] : nullptr;
}

int runTask(Session& io, Task& task, const ModelOptions& models,
            const std::function<void()>& openTask) {
  return statusOf(io, [&] { solveTask(io, task, models, openTask); });
}

int runProgram(std::istream& keyboard, std::ostream& console, std::ostream& errors,
               const Options& options, const RunGuard& guard) {
  // The CSV folder is checked before anything is read or written: a run whose
  // tables cannot be kept does not start.
  if (options.csvDir) {
    if (const auto why = prepareCsvDirectory(*options.csvDir)) {
      errors << "helisolv: " << *why << '\n';
      return 2;
    }
  }
  Session io({&keyboard, &console, &errors, nullptr, nullptr});
  io.language = options.language;
  // One run at a time in a folder: a second waits, so that two runs end as if
  // run one after the other.
  FolderLocks locks;
  std::vector<std::string> folders{"."};
  if (options.csvDir) folders.push_back(*options.csvDir);
  if (const auto busy = locks.lock(folders, guard.folderWait, io))
    return reportRuntimeError(io, RuntimeErrorCode::CannotOpen, "OPEN", busy->folder, busy->detail);
  constexpr std::string_view kResultFile[] = {"Helisolv.Son"};
  removeStaleTemporaries(".", kResultFile);

  RunData data;
  Task task;
  const auto summary = [&task, &options] {
    return RunSummary{task.problemType, task.seriesType, options.models};
  };
  std::optional<CsvFolder> csvFolder;
  std::optional<InterruptedRunCsv> interruptedCsv;
  if (options.csvDir) {
    csvFolder.emplace(*options.csvDir);
    interruptedCsv.emplace(guard.interruption, *csvFolder);
    io.data = &data;
    // What a stop signal would leave as run.csv follows what the run has read.
    data.changed = [&] { interruptedCsv->refresh(data, summary(), io.warnings); };
    io.resultWritten = data.changed;
    data.changed();
  }
  ReportFile result(guard.interruption, io);
  // A command run at a pause finds the report so far in Helisolv.Son.
  io.beforeCommand = [&result] { result.showSoFar(); };
  std::ifstream taskFile;
  int status = statusOf(io, [&] { runInFolder(io, task, options.models, result, taskFile); });
  // A stop signal now waits until every output is in place.
  HoldStopSignals hold;
  if (const auto failed = result.putInPlace())
    status = reportRuntimeError(io, RuntimeErrorCode::CannotWrite, "WRITE", "Helisolv.Son",
                                "Helisolv.Son: " + *failed);
  if (csvFolder) {
    interruptedCsv.reset();
    status = writeCsvFiles(io, *csvFolder, data, summary(), status);
  }
  return status;
}

}  // namespace helisolv
