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

#include "driver/record.hpp"
#include "driver/report_lines.hpp"
#include "driver/task_inputs.hpp"
#include "export/csv_export.hpp"
#include "export/data_export.hpp"
#include "io/channels.hpp"
#include "io/console.hpp"
#include "io/reader.hpp"
#include "io/runtime_error.hpp"
#include "io/writer.hpp"
#include "problems/solvers.hpp"

namespace helisolv {

ProblemRecord rec;

namespace {

// Reads and discards count whole lines of the task file, 80 characters a record.
void skipLines(Unit unit, int count, std::string_view what) {
  for (int i = 0; i < count; ++i) readText80(unit, what);
}

void printBanner() {
  static constexpr const char* kBanner[] = {
      "(1X,72('-'))",
      "(1X,'! Program: Helisolv    Versiyon: 10/12/2016      Marivenlab            !')",
      "(' !',70X,'!')",
      "(' !',5X,'WAGENINGEN/GAWN SERISI PERVANE HIDRODINAMIK KARAKTERISTILERI     !')",
      "(' !',28X,'HESAP PROGRAMI',28X,'!')",
      "(1X,72('-'))",
  };
  for (Unit unit : {Unit::Console, Unit::Result})
    for (const char* layout : kBanner) write(unit, layout);
}

// Series limits of pitch ratio and area ratio. The upper bounds lie just above
// the round values so that a sweep of step 0.01 reaches them and the exclusive
// area-ratio test accepts 1.05 and 1.10.
void setSeriesLimits() {
  if (rec.seriesType == 1) {
    rec.pdMin = 0.5f;
    rec.pdMax = 1.401f;
    rec.earMin = 0.3f;
    rec.earMax = 1.0501f;
  }
  if (rec.seriesType == 2) {
    rec.pdMin = 0.5f;
    rec.pdMax = 2.001f;
    rec.earMin = 0.201f;
    rec.earMax = 1.101f;
  }
}

// One free-format read of the problem type's inputs, from task-file line 79 on,
// handed to the data export as read.
void readInputs() {
  ProblemRecord& r = rec;
  const std::vector<TaskInput> inputs = taskInputsOf(r);
  std::vector<NamedTarget> targets;
  for (const TaskInput& in : inputs) targets.push_back(in.read);
  readList(Unit::Task, targets);
  if (r.problemType == 3 || r.problemType == 4 || r.problemType == 9 || r.problemType == 10)
    r.powerW = r.powerKW * 1000.0f;
  for (const TaskInput& in : inputs) data::input(in.quantity, cellOf(in.read.target), in.unit);
}

Outcome solve() {
  switch (rec.problemType) {
    case 1:
      return solveKtJ2Design();
    case 2:
      return solveKtJ4Design();
    case 3:
      return solveKqJ5Design();
    case 4:
      return solveBollardPull();
    case 5:
      return solveOpenWaterTable();
    case 6:
      return solveOperatingPoint();
    case 7:
      return solveBpDeltaDesign();
    case 8:
      return solvePitchForThrust();
    case 9:
      return solvePitchForPower();
    default:
      return solvePitchForTorque();
  }
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

void run(std::ofstream& result, std::ifstream& task, const Options& options) {
  rec = ProblemRecord{};
  rec.viscousCorrection = options.viscousCorrection;
  rec.viscousFlag = 0;

  if (std::string_view why = notOpenable("Helisolv.Son"); !why.empty())
    runtimeError(RuntimeErrorCode::CannotOpen, "OPEN", "Helisolv.Son",
                 "Helisolv.Son: it " + std::string(why));
  // An existing result file that can only be read still opens; the first
  // record written to it is then the refused write.
  result.open("Helisolv.Son", std::ios::binary | std::ios::trunc);
  if (result) {
    channels().result = &result;
  } else {
    std::error_code ec;
    const bool readable = std::filesystem::is_regular_file("Helisolv.Son", ec) &&
                          std::ifstream("Helisolv.Son").is_open();
    if (!readable) runtimeError(RuntimeErrorCode::CannotOpen, "OPEN", "Helisolv.Son");
  }
  printBanner();

  // A missing task file is created empty; the first read then meets its end,
  // and its report says the file was missing.
  std::error_code ec;
  if (!std::filesystem::exists("Helisolv.Tsk", ec) && !ec) {
    std::ofstream("Helisolv.Tsk", std::ios::binary);
    channels().taskCreated = true;
  }
  if (std::string_view why = notOpenable("Helisolv.Tsk"); !why.empty())
    runtimeError(RuntimeErrorCode::CannotOpen, "OPEN", "Helisolv.Tsk",
                 "Helisolv.Tsk: it " + std::string(why));
  task.open("Helisolv.Tsk", std::ios::binary);
  if (!task)
    runtimeError(RuntimeErrorCode::CannotOpen, "OPEN", "Helisolv.Tsk",
                 "Helisolv.Tsk: " + std::string(std::strerror(errno)));
  channels().task = &task;

  skipLines(Unit::Task, 13, "free text line (lines 1 to 13)");
  readList(Unit::Task, {{&rec.seriesType, "series type, 1 Wageningen B or 2 Gawn"}});
  checkSeriesType(rec.seriesType);
  setSeriesLimits();
  skipLines(Unit::Task, 63, "free text line (lines 15 to 77)");
  readList(Unit::Task, {{&rec.problemType, "problem type, 1 to 10"}});
  checkProblemType(rec.problemType);
  readInputs();
  const Outcome outcome = solve();

  writeFree(Unit::Default);
  writeFree(Unit::Default);
  pause("BITIRMEK ICIN ENTER TUSUNA BASINIZ");
  stop(outcome);
}

}  // namespace

int runProgram(std::istream& keyboard, std::ostream& console, std::ostream& errors,
               const Options& options) {
  // The CSV folder is checked before anything is read or written: a run whose
  // tables cannot be kept does not start.
  std::optional<CsvExport> csv;
  if (options.csvDir) {
    if (const auto why = prepareCsvDirectory(*options.csvDir)) {
      errors << "helisolv: " << *why << '\n';
      return 2;
    }
    csv.emplace(*options.csvDir, options.viscousCorrection);
  }
  useChannels({&keyboard, &console, &errors, nullptr, nullptr});
  std::ofstream result;
  std::ifstream task;
  int status = 0;
  try {
    run(result, task, options);
  } catch (const RunEnd& end) {
    status = end.status;
  } catch (const std::exception& failure) {
    // A failure of the system itself (memory, the file system) still ends the
    // run with a report, never with an abort.
    status = reportRuntimeError(RuntimeErrorCode::SystemFailure, "RUN", "helisolv", failure.what());
  }
  flushOutputs();
  // Console output the system refused is a failed run, even where the run
  // itself ended well: the user never saw its result.
  if (status != 1 && consoleFailed())
    status = reportRuntimeError(RuntimeErrorCode::CannotWrite, "WRITE", "stdout",
                                "stdout: the system refused the console output");
  if (csv) status = csv->finish(status);
  useChannels({&keyboard, &console, &errors, nullptr, nullptr});
  return status;
}

}  // namespace helisolv
