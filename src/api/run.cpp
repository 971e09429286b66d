#include "helisolv/run.hpp"

#include <array>
#include <charconv>
#include <filesystem>
#include <sstream>
#include <utility>

#include "driver/driver.hpp"
#include "driver/fixed_lines.hpp"
#include "driver/options.hpp"
#include "driver/task_inputs.hpp"
#include "export/csv_export.hpp"
#include "export/run_data.hpp"
#include "io/file_set.hpp"
#include "io/folder_lock.hpp"
#include "io/runtime_error.hpp"
#include "taskfile/answers.hpp"

namespace helisolv {

namespace {

// A CSV field back to its text: the export quotes a text holding a separator.
std::string unquoted(const std::string& field) {
  if (field.size() < 2 || field.front() != '"') return field;
  std::string text;
  for (std::size_t i = 1; i + 1 < field.size(); ++i) {
    text += field[i];
    if (field[i] == '"') ++i;  // a doubled quote stands for one
  }
  return text;
}

std::vector<RunQuantity> quantities(const std::vector<CsvLine>& lines) {
  std::vector<RunQuantity> out;
  for (const CsvLine& line : lines)
    out.push_back({unquoted(line[0]), unquoted(line[1]), unquoted(line[2])});
  return out;
}

// What the run handed to its data export, in the order and shape of the CSV
// files: the inputs always, the result block and the tables after a result.
void collect(const RunData& data, const Session& io, int problemType, int status, RunResult& out) {
  out.inputs = quantities(data.inputs);
  for (const Warning& w : io.warnings) out.warnings.push_back(w.text);
  if (status == 3) out.reason = data.reason();
  if (status != 0) return;
  out.results = quantities(data.results);
  for (data::Table table : kAllTables) {
    const auto found = data.tables.find(table);
    if (found == data.tables.end()) continue;
    RunTable t;
    const std::string_view file = tableShape(table).file;
    t.name = file.substr(0, file.find('.'));
    for (const std::string& column : tableHead(table, problemType))
      t.columns.push_back(unquoted(column));
    for (const CsvLine& line : found->second) {
      std::vector<std::string>& row = t.rows.emplace_back();
      for (const std::string& field : line) row.push_back(unquoted(field));
    }
    out.tables.push_back(std::move(t));
  }
}

// A fixed-line task's run; preset: the task file's answers, warnings: the
// task file's own (an ignored input), said as the run's.
RunResult runFixedLines(std::string_view taskText, std::string_view answers,
                        const RunOptions& given, const TaskAnswers* preset,
                        const std::vector<std::string>& fileWarnings) {
  RunResult out;
  // A relative CSV folder is resolved once, here: the process's current folder
  // may change while the run goes on (another thread's chdir), and every file
  // of the set must go to the one folder the run started with.
  RunOptions options = given;
  if (options.csvDir && !options.csvDir->empty()) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(*options.csvDir, ec);
    if (!ec) options.csvDir = absolute.string();
  }
  // As on the command line: a run whose tables cannot be kept does not start.
  if (options.csvDir) {
    if (const auto why = prepareCsvDirectory(*options.csvDir)) {
      out.exitStatus = ExitStatus::CommandLineError;
      out.errors = "helisolv: " + *why + "\n";
      return out;
    }
  }
  const std::optional<Language> language = languageFromCode(options.language);
  if (!language) {
    out.exitStatus = ExitStatus::CommandLineError;
    out.errors =
        "helisolv: unknown language " + helisolv::quoted(options.language) + " (tr or en)\n";
    return out;
  }
  std::istringstream keyboard{std::string(answers)};
  std::istringstream taskFile{std::string(taskText)};
  std::ostringstream console, errors, result;
  Session io({&keyboard, &console, &errors, &result, nullptr});
  io.pauseRepliesRunAsCommands = false;
  io.language = *language;
  RunData data;
  io.data = &data;
  std::optional<AnswerSource> source;
  if (preset) {
    source.emplace(*preset);
    io.presetAnswer = [&source](Question q) { return source->take(q); };
  }
  for (const std::string& w : fileWarnings) warn(io, "task file: " + w, w);

  Task task;
  int status = runTask(io, task, options.models, [&io, &taskFile] { io.ch.task = &taskFile; });
  if (options.csvDir) {
    // The CSV folder is shared with whatever else writes there: one run at a
    // time, as on the command line.
    FolderLocks locks;
    const std::vector<std::string> folders{*options.csvDir};
    if (const auto busy = locks.lock(folders, std::chrono::seconds(10), io)) {
      status =
          reportRuntimeError(io, RuntimeErrorCode::CannotOpen, "OPEN", busy->folder, busy->detail);
    } else {
      const CsvFolder folder(*options.csvDir);
      status = writeCsvFiles(io, folder, data, {task.problemType, task.seriesType, options.models},
                             status);
    }
  }

  out.exitStatus = static_cast<ExitStatus>(status);
  out.console = std::move(console).str();
  out.resultFile = std::move(result).str();
  out.errors = std::move(errors).str();
  collect(data, io, task.problemType, status, out);
  out.untranslated = io.untranslated;
  return out;
}

// The task file's model options stand where the caller's are the defaults.
RunResult runTaskFile(const TaskFile& file, std::string_view answers, const RunOptions& options,
                      const std::vector<std::string>& warnings) {
  RunOptions chosen = options;
  if (file.viscousCorrectionModel && !chosen.viscousCorrectionGiven &&
      chosen.models.viscousCorrection == ViscousCorrection::Legacy)
    chosen.models.viscousCorrection = *file.viscousCorrectionModel;
  if (file.gawnModel && !chosen.gawnModelGiven && chosen.models.gawnModel == GawnModel::Legacy)
    chosen.models.gawnModel = *file.gawnModel;
  return runFixedLines(toFixedLines(file), answers, chosen, &file.answers, warnings);
}

}  // namespace

RunResult run(std::string_view taskText, std::string_view answers, const RunOptions& options) {
  if (!isKeywordTask(taskText)) return runFixedLines(taskText, answers, options, nullptr, {});
  TaskParse parsed = parseTask(taskText);
  if (parsed.exitStatus != ExitStatus::Result) {
    RunResult out;
    out.exitStatus = parsed.exitStatus;
    for (const std::string& e : parsed.errors) out.errors += "helisolv: " + e + "\n";
    out.reason = parsed.errors.empty() ? std::string() : parsed.errors.front();
    return out;
  }
  return runTaskFile(*parsed.task, answers, options, parsed.warnings);
}

RunResult run(const TaskFile& file, std::string_view answers, const RunOptions& options) {
  return runTaskFile(file, answers, options, {});
}

RunResult run(const Task& task, std::string_view answers, const RunOptions& options) {
  return run(taskFileText(task), answers, options);
}

std::string taskFileText(const Task& task) {
  return fixedLinesText(task, [] { return std::string("*"); });
}

std::optional<RunResult> parseRunArguments(std::span<const std::string> args, RunOptions& options) {
  std::vector<const char*> argv{"helisolv"};
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  Options parsed;
  parsed.models = options.models;
  parsed.csvDir = options.csvDir;
  parsed.language = languageFromCode(options.language).value_or(Language::Turkish);
  std::ostringstream console, errors;
  if (const auto status =
          parseOptions(static_cast<int>(argv.size()), argv.data(), parsed, console, errors)) {
    RunResult ended;
    ended.exitStatus = static_cast<ExitStatus>(*status);
    ended.console = std::move(console).str();
    ended.errors = std::move(errors).str();
    return ended;
  }
  // A run in memory takes its task as text: no task file, result file or conversion.
  if (parsed.taskFile || parsed.outputFile || parsed.convertFile) {
    RunResult ended;
    ended.exitStatus = ExitStatus::CommandLineError;
    ended.errors =
        "helisolv: a run in memory takes its task as text, not a task file, "
        "--output or convert\n";
    return ended;
  }
  options.models = parsed.models;
  options.viscousCorrectionGiven = options.viscousCorrectionGiven || parsed.viscousCorrectionGiven;
  options.gawnModelGiven = options.gawnModelGiven || parsed.gawnModelGiven;
  options.csvDir = parsed.csvDir;
  options.language = languageCode(parsed.language);
  return std::nullopt;
}

}  // namespace helisolv
