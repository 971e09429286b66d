#include "export/csv_export.hpp"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <sstream>
#include <utility>
#include <vector>

#include "helisolv/model_options.hpp"
#include "io/error_text.hpp"
#include "io/file_calls.hpp"
#include "io/file_set.hpp"
#include "io/runtime_error.hpp"
#include "io/stop_signals.hpp"
#include "io/temporary_files.hpp"

namespace helisolv {

namespace {

namespace fs = std::filesystem;
using data::Table;

std::string_view problemName(int problemType) {
  static constexpr std::array<std::string_view, 11> kNames = {
      "",
      "optimum propeller by Kt/J^2",
      "optimum propeller by Kt/J^4",
      "optimum propeller by Kq/J^5",
      "bollard pull",
      "open-water table",
      "operating point",
      "Bp-delta design",
      "pitch ratio for a required thrust",
      "pitch ratio for a required power",
      "pitch ratio for a required torque",
  };
  return problemType >= 1 && problemType <= 10 ? kNames[static_cast<size_t>(problemType)]
                                               : "no such problem type";
}

std::string_view seriesName(Series seriesType) {
  if (seriesType == Series::Wageningen) return "Wageningen B-series";
  if (seriesType == Series::Gawn) return "Gawn series";
  return "no such series";
}

// The polynomials or regression the series was evaluated by.
std::string openWaterModelName(const RunSummary& summary) {
  if (summary.seriesType == Series::Wageningen) return "wageningen";
  if (summary.seriesType == Series::Gawn)
    return "gawn-" + std::string(modelOptionValue(summary.models, "gawn-model"));
  return "none";
}

// The status recordLines() takes for a run ended by a stop signal.
constexpr int kInterrupted = -1;

std::string textOf(const std::vector<CsvLine>& lines) {
  std::string text;
  for (const CsvLine& line : lines) {
    for (size_t i = 0; i < line.size(); ++i) {
      if (i > 0) text += ',';
      text += line[i];
    }
    text += '\n';
  }
  return text;
}

// Every file the export writes in its folder: the record and the tables.
const std::vector<std::string_view>& csvFileNames() {
  static const std::vector<std::string_view> kNames = [] {
    std::vector<std::string_view> names{"run.csv"};
    for (Table table : kAllTables) names.push_back(tableShape(table).file);
    return names;
  }();
  return kNames;
}

// The table files a record names in its "rows in <file>,<count>," rows, only
// names of the tables the export writes.
std::vector<std::string> tablesNamedBy(const std::string& record) {
  constexpr std::string_view kRows = "rows in ";
  std::vector<std::string> names;
  std::istringstream lines(record);
  for (std::string line; std::getline(lines, line);) {
    if (!line.starts_with(kRows)) continue;
    const std::string name = line.substr(kRows.size(), line.find(',') - kRows.size());
    for (Table table : kAllTables)
      if (tableShape(table).file == name) names.push_back(name);
  }
  return names;
}

// run.csv up to its warnings.
std::vector<CsvLine> recordLines(const RunData& data, const RunSummary& summary, int status) {
  std::vector<CsvLine> lines{{"quantity", "value", "unit"}};
  lines.push_back({"problem type", std::to_string(summary.problemType), ""});
  lines.push_back({"problem", csvText(problemName(summary.problemType)), ""});
  lines.push_back({"series type", std::to_string(static_cast<int>(summary.seriesType)), ""});
  lines.push_back({"series", csvText(seriesName(summary.seriesType)), ""});
  lines.insert(lines.end(), data.inputs.begin(), data.inputs.end());
  // The scale correction acts only on the Wageningen series, and only when
  // the task or the console asked for it: any flag but 0 applies it.
  const bool corrected = data.viscousFlag != 0 && summary.seriesType == Series::Wageningen;
  lines.push_back(
      {"viscous correction",
       corrected ? std::string(modelOptionValue(summary.models, "viscous-correction")) : "none",
       ""});
  lines.push_back({"open-water model", std::string(openWaterModelName(summary)), ""});
  if (status == 0) {
    lines.push_back({"outcome", "result", ""});
    lines.insert(lines.end(), data.results.begin(), data.results.end());
  } else if (status == kInterrupted) {
    lines.push_back({"outcome", "interrupted", ""});
  } else if (status == 3) {
    lines.push_back({"outcome", "refused", ""});
    lines.push_back({"reason", csvText(data.reason()), ""});
  } else {
    lines.push_back({"outcome", "error", ""});
  }
  return lines;
}

std::vector<CsvLine> warningLines(const std::vector<Warning>& warnings) {
  std::vector<CsvLine> lines;
  for (const Warning& w : warnings) lines.push_back({"warning", csvText(w.text), ""});
  return lines;
}

}  // namespace

std::vector<CsvLine> runCsvLines(const RunData& data, const RunSummary& summary,
                                 const std::vector<Warning>& warnings, int status) {
  std::vector<CsvLine> lines = recordLines(data, summary, status);
  for (CsvLine& line : warningLines(warnings)) lines.push_back(std::move(line));
  return lines;
}

std::optional<std::string> prepareCsvDirectory(const std::string& dir) {
  const std::string shown = helisolv::quoted(dir);
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) return "cannot create the CSV folder " + shown + ": " + errorText(ec.value());
  if (!fs::is_directory(dir, ec)) return "the CSV folder " + shown + " is not a folder";
  if (::access(dir.c_str(), W_OK | X_OK) != 0)
    return "cannot write in the CSV folder " + shown + ": " + errorText(errno);
  // The run replaces these names by rename, which would remove a folder or a
  // link of the user's that happens to bear one; its own links it replaces.
  for (std::string_view name : csvFileNames())
    if (const auto why = notReplaceable((fs::path(dir) / name).string());
        why && !isSetLink(dir, name))
      return "the CSV folder " + shown + " holds " + std::string(name) + ", which " + *why +
             "; move it away or choose another folder";
  if (const auto why = setsFolderRefused(dir))
    return "the CSV folder " + shown + " holds " + std::string(kSetsFolder) + ", which " + *why +
           "; move it away or choose another folder";
  return std::nullopt;
}

CsvFolder::CsvFolder(std::string folder) : dir(std::move(folder)) {
  removeStaleTemporaries(dir, csvFileNames());
  // A record is a few kilobytes; a file far larger is no record of this program.
  constexpr size_t kLargestRecord = 1 << 20;
  // A set of regular files, of a version of the program before sets, becomes
  // the set in force; a failure here leaves it as it is, for the run to replace.
  std::vector<std::string> named;
  if (const auto record = readRegularFile((fs::path(dir) / "run.csv").string(), kLargestRecord))
    named = tablesNamedBy(*record);
  prepareSetFolder(dir, "run.csv", named);
  for (std::string& name : currentSetNames(dir))
    if (name != "run.csv") previousTables.push_back(std::move(name));
}

InterruptedRunCsv::InterruptedRunCsv(Interruption* interruption, const CsvFolder& folder)
    : interruption_(interruption), folder_(folder) {}

InterruptedRunCsv::~InterruptedRunCsv() {
  if (interruption_) interruption_->disarmRunCsv();
}

void InterruptedRunCsv::refresh(const RunData& data, const RunSummary& summary,
                                const std::vector<Warning>& warnings) {
  if (!interruption_) return;
  // Called at every record of the report: nothing is copied unless it changed.
  if (shown_ && shown_->problemType == summary.problemType &&
      shown_->seriesType == summary.seriesType && shown_->viscousFlag == data.viscousFlag &&
      shown_->inputs == data.inputs && shown_->warnings == warnings.size())
    return;
  shown_ = Shown{summary.problemType, summary.seriesType, data.viscousFlag, data.inputs,
                 warnings.size()};
  // The signal's name goes between the two parts.
  interruption_->armRunCsv(folder_.dir,
                           textOf(recordLines(data, summary, kInterrupted)) + "signal,",
                           ",\n" + textOf(warningLines(warnings)));
}

int writeCsvFiles(Session& io, const CsvFolder& folder, const RunData& data,
                  const RunSummary& summary, int status) {
  std::vector<FileText> tables;
  std::vector<CsvLine> rowCounts;
  // A run without its result leaves no tables: they would describe no propeller.
  if (status == 0) {
    for (const auto& [table, rows] : data.tables) {
      std::vector<CsvLine> lines{tableHead(table, summary.problemType)};
      lines.insert(lines.end(), rows.begin(), rows.end());
      const std::string file(tableShape(table).file);
      tables.push_back({file, textOf(lines)});
      rowCounts.push_back({"rows in " + file, std::to_string(rows.size()), ""});
    }
  }
  std::vector<CsvLine> record = runCsvLines(data, summary, io.warnings, status);
  if (status == 0)
    for (const Warning& n : io.notes) record.push_back({"note", csvText(n.text), ""});
  record.insert(record.end(), rowCounts.begin(), rowCounts.end());
  tables.push_back({"run.csv", textOf(record)});
  const auto failed = putFileSetInPlace(folder.dir, tables);
  if (!failed) return status;
  const fs::path dir(folder.dir);
  const std::string path = helisolv::quoted((dir / failed->name).string());
  reportRuntimeError(io, RuntimeErrorCode::CannotWrite, "WRITE", path, path + ": " + failed->why);
  // The previous set no longer describes the folder's last run: a record of
  // the error takes its place, or, when there is no room for it beside the
  // previous set, after it.
  const FileText error{"run.csv", textOf(runCsvLines(data, summary, io.warnings, 1))};
  if (putFileSetInPlace(folder.dir, {&error, 1})) {
    withdrawFileSet(folder.dir);
    putFileSetInPlace(folder.dir, {&error, 1});
  }
  return 1;
}

}  // namespace helisolv
