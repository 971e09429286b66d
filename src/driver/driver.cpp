#include "driver/driver.hpp"

#include <sys/stat.h>
#include <toml++/toml.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <istream>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>

#include "driver/task_inputs.hpp"
#include "export/csv_export.hpp"
#include "export/data_export.hpp"
#include "export/run_data.hpp"
#include "helisolv/task_file.hpp"
#include "io/console.hpp"
#include "io/error_text.hpp"
#include "io/file_calls.hpp"
#include "io/folder_lock.hpp"
#include "io/reader.hpp"
#include "io/report_file.hpp"
#include "io/run_control.hpp"
#include "io/runtime_error.hpp"
#include "io/stop_signals.hpp"
#include "io/task_layout.hpp"
#include "io/temporary_files.hpp"
#include "io/writer.hpp"
#include "problems/report_lines.hpp"
#include "problems/solvers.hpp"
#include "selection/report.hpp"
#include "selection/toml_inputs.hpp"
#include "taskfile/answers.hpp"

namespace helisolv {

namespace {

// A task file is read whole only when it is this long at most; a longer one
// is no task a user wrote, and the fixed-line reader takes it as it comes.
constexpr size_t kLongestTaskFile = 16u << 20;

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
  if (task.problemType == 3 || task.problemType == 4 || task.problemType == 9)
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

  skipLines(io, Unit::Task, kSeriesTypeLine - 1, "free text line (lines 1 to 13)");
  int series = 0;
  readList(io, Unit::Task, {{&series, "series type, 1 Wageningen B or 2 Gawn"}});
  task.seriesType = static_cast<Series>(series);
  checkSeriesType(io, task.seriesType);
  skipLines(io, Unit::Task, kProblemTypeLine - kSeriesTypeLine - 1,
            "free text line (lines 15 to 77)");
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

// Where a run's task file and result file are, and how messages name them.
struct TaskPlace {
  std::string task = "Helisolv.Tsk";
  std::string result = "Helisolv.Son";
  std::string taskShown = task, resultShown = result;
  bool named = false;  // the command line named the task file
};

// A path as a message shows it: every byte that is not printable as \xNN.
std::string printable(const std::string& path) {
  const std::string q = helisolv::quoted(path);
  return q.size() >= 2 ? q.substr(1, q.size() - 2) : q;
}

// TASK's result file is beside it, named after it (tug.toml: tug.Son); --output names its own.
TaskPlace placeOf(const Options& options) {
  TaskPlace place;
  if (options.taskFile) {
    place.task = *options.taskFile;
    place.named = true;
    const std::filesystem::path task(place.task);
    place.result = (task.parent_path() / task.stem()).string() + ".Son";
  }
  if (options.outputFile) place.result = *options.outputFile;
  place.taskShown = printable(place.task);
  place.resultShown = printable(place.result);
  return place;
}

// The folder that holds a file, "." for one named without a folder.
std::string folderOf(const std::string& path) {
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  return parent.empty() ? std::string(".") : parent.string();
}

// Files in the folder a user may have meant for Helisolv.Tsk: the same name
// in other letters, or a task file of another name.
std::vector<std::string> otherTaskFiles() {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(".", ec)) {
    std::string name = entry.path().filename().string();
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == "helisolv.tsk" || lower.ends_with(".tsk") || lower.ends_with(".toml"))
      names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());
  return names;
}

void warnOfOtherTaskFiles(Session& io) {
  const std::vector<std::string> names = otherTaskFiles();
  if (names.empty()) return;
  std::string list;
  for (size_t i = 0; i < names.size() && i < 3; ++i)
    list += (i == 0 ? "" : ", ") + helisolv::quoted(names[i]);
  if (names.size() > 3) list += " and " + std::to_string(names.size() - 3) + " more";
  warn(io, "other task file",
       "there is no Helisolv.Tsk in this folder, but " + list +
           (names.size() > 1 ? " are" : " is") +
           ": an empty Helisolv.Tsk is created, as always; to run another file, name it: " +
           "helisolv " + helisolv::quoted(names.front()));
}

// The result file is opened before the banner, the task file after it.
void runInFolder(Session& io, Task& task, const ModelOptions& models, ReportFile& result,
                 std::ifstream& taskFile, const TaskPlace& place, std::istream* keywordTask) {
  const std::string& son = place.result;
  const std::string& sonShown = place.resultShown;
  if (std::string_view why = notOpenable(son.c_str()); !why.empty())
    runtimeError(io, RuntimeErrorCode::CannotOpen, "OPEN", sonShown,
                 sonShown + ": it " + std::string(why));
  // An existing result file that can only be read still opens; the first
  // record written to it is then the refused write.
  result.open(son);
  if (result) {
    io.ch.result = &result;
  } else {
    std::error_code ec;
    const bool readable = std::filesystem::is_regular_file(son, ec) && std::ifstream(son).is_open();
    if (!readable) runtimeError(io, RuntimeErrorCode::CannotOpen, "OPEN", sonShown);
  }

  solveTask(io, task, models, [&io, &taskFile, &place, keywordTask] {
    // A keyword task runs as the fixed-line task it reads as.
    if (keywordTask) {
      io.ch.task = keywordTask;
      return;
    }
    const std::string& tsk = place.task;
    const std::string& shown = place.taskShown;
    io.taskName = shown;
    // A link to a missing file is no task file to create: that file would be
    // made wherever the link points.
    if (const std::string why = danglingLink(tsk); !why.empty())
      runtimeError(io, RuntimeErrorCode::CannotOpen, "OPEN", shown, shown + ": it " + why);
    // A missing Helisolv.Tsk is created empty; the first read then meets its
    // end, and its report says the file was missing. A task named on the
    // command line is never created.
    std::error_code ec;
    if (!place.named && !std::filesystem::exists(tsk, ec) && !ec) {
      warnOfOtherTaskFiles(io);
      std::ofstream(tsk, std::ios::binary);
      io.taskCreated = true;
    }
    if (std::string_view why = notOpenable(tsk.c_str()); !why.empty())
      runtimeError(io, RuntimeErrorCode::CannotOpen, "OPEN", shown,
                   shown + ": it " + std::string(why));
    taskFile.open(tsk, std::ios::binary);
    if (!taskFile)
      runtimeError(io, RuntimeErrorCode::CannotOpen, "OPEN", shown,
                   shown + ": " + errorText(errno));
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

// The table of a keyword task that asks for the selection of a propeller,
// which has no fixed-line form and is read by the selection's own reader;
// none for any other task (a syntax error is the keyword reader's to name).
std::optional<toml::table> selectionTable(const std::string& text) {
  try {
    toml::table table = toml::parse(text);
    if (const auto problem = table["problem"].value<std::string>(); problem == "selection")
      return table;
  } catch (const toml::parse_error&) {
  }
  return std::nullopt;
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

int convertTaskFile(const std::string& path, std::ostream& out, std::ostream& errors) {
  const std::string shown = printable(path);
  const std::optional<std::string> text = readRegularFile(path, kLongestTaskFile);
  if (!text) {
    errors << "helisolv: " << shown << ": cannot be read (missing, not a regular file, or "
           << "larger than " << kLongestTaskFile / (1 << 20) << " MiB)\n";
    return 1;
  }
  const TaskParse parsed = parseTask(*text);
  for (const std::string& e : parsed.errors)
    errors << "helisolv: " << (parsed.task ? "warning: " : "") << shown << ": " << e << '\n';
  for (const std::string& w : parsed.warnings)
    errors << "helisolv: warning: " << shown << ": " << w << '\n';
  if (!parsed.task) return 1;
  const bool keyword = isKeywordTask(*text);
  const TaskFile& file = *parsed.task;
  const TaskAnswers& a = file.answers;
  if (keyword &&
      (a.changePropeller || a.row || a.bollardCandidate || a.viscousCorrection ||
       a.fullScaleDiameter || a.fullScaleRpm || file.viscousCorrectionModel || file.gawnModel))
    errors << "helisolv: warning: " << shown
           << ": a fixed-line file holds no answers and no model options: give the answers on "
              "the console and the model options on the command line\n";
  out << (keyword ? toFixedLines(file) : toToml(file));
  out.flush();
  if (!out) {
    errors << "helisolv: the system refused the console output\n";
    return 1;
  }
  return 0;
}

int runProgram(std::istream& keyboard, std::ostream& console, std::ostream& errors,
               const Options& options, const RunGuard& guard) {
  if (options.convertFile) return convertTaskFile(*options.convertFile, console, errors);
  const TaskPlace place = placeOf(options);
  // The result file must not take the task file's place.
  {
    std::error_code ec;
    if (std::filesystem::path(place.task).lexically_normal() ==
            std::filesystem::path(place.result).lexically_normal() ||
        std::filesystem::equivalent(place.task, place.result, ec)) {
      errors << "helisolv: the result file " << place.resultShown
             << " would replace the task file; name another with --output FILE\n";
      return 2;
    }
  }
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
  // A task named on the command line that is not there is no run: no report
  // beside it is started.
  if (std::error_code ec; place.named && !std::filesystem::exists(place.task, ec) &&
                          std::filesystem::symlink_status(place.task, ec).type() ==
                              std::filesystem::file_type::not_found)
    return reportRuntimeError(io, RuntimeErrorCode::CannotOpen, "OPEN", place.taskShown,
                              place.taskShown + ": " + errorText(ENOENT));

  // A keyword task is read whole before the run: its mistakes are named before
  // anything is written, and it runs as the fixed-line task it reads as.
  ModelOptions models = options.models;
  std::optional<std::istringstream> keywordTask;
  std::optional<AnswerSource> answers;
  std::optional<SelectionInputs> selection;
  const std::optional<std::string> text = readRegularFile(place.task, kLongestTaskFile);
  if (const auto table = text ? selectionTable(*text) : std::nullopt) {
    const selection::ParsedInputs parsed = selection::parseSelection(*table);
    if (!parsed.inputs) {
      errors << "helisolv: " << place.taskShown << ": " << parsed.error << '\n';
      return 1;
    }
    selection = parsed.inputs;
  } else if (text && isKeywordTask(*text)) {
    const TaskParse parsed = parseTask(*text);
    for (const std::string& e : parsed.errors)
      errors << "helisolv: " << place.taskShown << ": " << e << '\n';
    if (parsed.exitStatus != ExitStatus::Result) return static_cast<int>(parsed.exitStatus);
    for (const std::string& w : parsed.warnings)
      warn(io, "task file: " + w, place.taskShown + ": " + w);
    const TaskFile& file = *parsed.task;
    if (file.viscousCorrectionModel && !options.viscousCorrectionGiven)
      models.viscousCorrection = *file.viscousCorrectionModel;
    if (file.gawnModel && !options.gawnModelGiven) models.gawnModel = *file.gawnModel;
    keywordTask.emplace(toFixedLines(file));
    answers.emplace(file.answers);
    io.presetAnswer = [&answers](Question q) { return answers->take(q); };
  }

  // One run at a time in a folder: a second waits, so that two runs end as if
  // run one after the other.
  FolderLocks locks;
  const std::string resultFolder = folderOf(place.result);
  std::vector<std::string> folders{resultFolder};
  if (options.csvDir) folders.push_back(*options.csvDir);
  if (const auto busy = locks.lock(folders, guard.folderWait, io))
    return reportRuntimeError(io, RuntimeErrorCode::CannotOpen, "OPEN", busy->folder, busy->detail);
  const std::string resultName = std::filesystem::path(place.result).filename().string();
  const std::string_view resultFile[] = {resultName};
  removeStaleTemporaries(resultFolder, resultFile);

  RunData data;
  Task task;
  const auto summary = [&task, &models] {
    return RunSummary{task.problemType, task.seriesType, models};
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
  // A command run at a pause finds the report so far in the result file.
  io.beforeCommand = [&result] { result.showSoFar(); };
  std::ifstream taskFile;
  int status = 0;
  if (selection) {
    // The selection writes its own CSV tables, run.csv among them.
    interruptedCsv.reset();
    csvFolder.reset();
    io.data = nullptr;
    status = statusOf(io, [&] {
      result.open(place.result);
      if (!result)
        runtimeError(io, RuntimeErrorCode::CannotOpen, "OPEN", place.resultShown,
                     place.resultShown + ": " + errorText(errno));
      io.ch.result = &result;
      const int selected = runSelection(io, *selection, options.csvDir);
      flushOutputs(io);
      throw RunEnd{selected};
    });
  } else {
    status = statusOf(io, [&] {
      runInFolder(io, task, models, result, taskFile, place, keywordTask ? &*keywordTask : nullptr);
    });
  }
  // A stop signal now waits until every output is in place.
  HoldStopSignals hold;
  if (const auto failed = result.putInPlace())
    status = reportRuntimeError(io, RuntimeErrorCode::CannotWrite, "WRITE", place.resultShown,
                                place.resultShown + ": " + *failed);
  if (csvFolder) {
    interruptedCsv.reset();
    status = writeCsvFiles(io, *csvFolder, data, summary(), status);
  }
  return status;
}

}  // namespace helisolv
