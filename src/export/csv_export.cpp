#include "export/csv_export.hpp"

#include <unistd.h>

#include <array>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <utility>
#include <vector>

#include "driver/record.hpp"
#include "export/data_export.hpp"
#include "io/console.hpp"
#include "io/runtime_error.hpp"

namespace helisolv {

namespace {

namespace fs = std::filesystem;
using data::Cell;
using data::Table;

struct TableFile {
  std::string_view file;
  std::vector<std::string_view> columns;
  std::string_view marker;  // the 0/1 column set by markRow; empty: none
};

// Column names with their units in brackets; the coefficients are plain
// numbers. Kq is the coefficient itself, where the report prints 10Kq.
const TableFile& fileOf(Table table) {
  static const std::map<Table, TableFile> kFiles = {
      {Table::Candidates,
       {"candidates.csv", {"row", "P/D", "J", "Kt", "Kq", "eta0", "Bp", "delta"}, "chosen"}},
      {Table::Bollard, {"bollard.csv", {"row", "D [m]", "Kq", "P/D", "Kt", "T [N]"}, "chosen"}},
      {Table::OpenWater, {"open_water.csv", {"J", "Kt", "Kq", "eta0", "Bp", "delta"}, "design"}},
      {Table::BpDelta, {"bp_delta.csv", {"P/D", "Kt", "Kq", "eta0", "Bp", "delta"}, ""}},
      {Table::PitchSweep, {"pitch_sweep.csv", {"P/D", "value"}, ""}},
      {Table::AreaRatio, {"area_ratio.csv", {"EAR", "P/D", "eta0"}, ""}},
      {Table::BladeChecks,
       {"blade_checks.csv",
        {"EAR", "sigma 0.7R", "tau_c", "min EAR Burrill 2.5%", "min EAR Burrill 5%",
         "min EAR recommended upper limit", "min EAR Keller", "min EAR Keller single screw",
         "min EAR Keller fast twin screw", "min EAR Keller slow twin screw", "tip speed [m/s]"},
        ""}},
      {Table::BurrillLines, {"burrill_lines.csv", {"back cavitation [%]", "sigma", "tau_c"}, ""}},
  };
  return kFiles.at(table);
}

// The sweep's column is the quantity its problem type requires.
std::string_view sweepColumn(int problemType) {
  switch (problemType) {
    case 9:
      return "Pd [kW]";
    case 10:
      return "Q [kN m]";
    default:
      return "T [kN]";
  }
}

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

std::string_view seriesName(int seriesType) {
  if (seriesType == 1) return "Wageningen B-series";
  if (seriesType == 2) return "Gawn series";
  return "no such series";
}

// A text field, quoted when it holds a separator, a quote or a line end.
std::string textField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string quoted = "\"";
  for (char ch : text) {
    if (ch == '"') quoted += '"';
    quoted += ch;
  }
  return quoted + '"';
}

// The shortest text that reads back to the same 32-bit value; a value that is
// not a finite number (the report's field of asterisks) is an empty field.
std::string numberField(float value) {
  if (!std::isfinite(value)) return {};
  std::array<char, 64> buffer{};
  const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return std::string(buffer.data(), end.ptr);
}

std::string field(const Cell& cell) {
  if (const int* i = std::get_if<int>(&cell)) return std::to_string(*i);
  if (const float* f = std::get_if<float>(&cell)) return numberField(*f);
  if (const std::string_view* s = std::get_if<std::string_view>(&cell)) return textField(*s);
  return {};
}

using Line = std::vector<std::string>;

struct ExportState {
  std::string dir;
  ViscousCorrection correction;
  std::vector<Line> inputs;
  std::vector<Line> results;
  std::map<Table, std::vector<Line>> tables;
  // The result file's records since the last empty record, table rule or
  // table row: after a refusal, the message that gave its reason.
  std::vector<std::string> paragraph;
};

ExportState* active = nullptr;

void setQuantity(std::vector<Line>& lines, std::string_view quantity, const Cell& value,
                 std::string_view unit) {
  Line line{textField(quantity), field(value), textField(unit)};
  for (Line& existing : lines)
    if (existing[0] == line[0]) {
      existing = std::move(line);
      return;
    }
  lines.push_back(std::move(line));
}

// A record made of blanks, dashes and bars only is a table rule (or empty).
void noteResultRecord(std::string_view record) {
  if (!active) return;
  if (record.find_first_not_of(" -|") == std::string_view::npos) {
    active->paragraph.clear();
    return;
  }
  const size_t first = record.find_first_not_of(' ');
  const size_t last = record.find_last_not_of(' ');
  active->paragraph.emplace_back(record.substr(first, last - first + 1));
}

// Writes one file; false when it cannot be written whole.
bool writeFile(const fs::path& path, const std::vector<Line>& lines) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (const Line& line : lines) {
    for (size_t i = 0; i < line.size(); ++i) {
      if (i > 0) out << ',';
      out << line[i];
    }
    out << '\n';
  }
  out.close();
  return !out.fail();
}

std::vector<Line> runLines(const ExportState& state, int status) {
  std::vector<Line> lines{{"quantity", "value", "unit"}};
  lines.push_back({"problem type", std::to_string(rec.problemType), ""});
  lines.push_back({"problem", textField(problemName(rec.problemType)), ""});
  lines.push_back({"series type", std::to_string(rec.seriesType), ""});
  lines.push_back({"series", textField(seriesName(rec.seriesType)), ""});
  lines.insert(lines.end(), state.inputs.begin(), state.inputs.end());
  // The scale correction acts only on the Wageningen series, and only when
  // the task or the console asked for it.
  const bool corrected = rec.viscousFlag == 1 && rec.seriesType == 1;
  lines.push_back(
      {"viscous correction",
       corrected ? (state.correction == ViscousCorrection::Ittc78 ? "ittc78" : "legacy") : "none",
       ""});
  if (status == 0) {
    lines.push_back({"outcome", "result", ""});
    lines.insert(lines.end(), state.results.begin(), state.results.end());
  } else if (status == 3) {
    std::string reason;
    for (const std::string& part : state.paragraph) reason += (reason.empty() ? "" : " ") + part;
    lines.push_back({"outcome", "refused", ""});
    lines.push_back({"reason", textField(reason), ""});
  } else {
    lines.push_back({"outcome", "error", ""});
  }
  return lines;
}

}  // namespace

std::optional<std::string> prepareCsvDirectory(const std::string& dir) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) return "cannot create the CSV folder " + dir + ": " + ec.message();
  if (!fs::is_directory(dir, ec)) return "the CSV folder " + dir + " is not a folder";
  if (::access(dir.c_str(), W_OK | X_OK) != 0)
    return "cannot write in the CSV folder " + dir + ": " +
           std::error_code(errno, std::generic_category()).message();
  return std::nullopt;
}

CsvExport::CsvExport(std::string dir, ViscousCorrection correction) {
  active = new ExportState{std::move(dir), correction, {}, {}, {}, {}};
  observeResultRecords(noteResultRecord);
}

CsvExport::~CsvExport() {
  observeResultRecords(nullptr);
  delete active;
  active = nullptr;
}

int CsvExport::finish(int status) {
  ExportState& state = *active;
  const fs::path dir(state.dir);
  // Files of an earlier run in the same folder would be read as this run's.
  std::error_code ec;
  fs::remove(dir / "run.csv", ec);
  for (Table table : {Table::Candidates, Table::Bollard, Table::OpenWater, Table::BpDelta,
                      Table::PitchSweep, Table::AreaRatio, Table::BladeChecks, Table::BurrillLines})
    fs::remove(dir / fileOf(table).file, ec);

  std::vector<std::pair<fs::path, std::vector<Line>>> files;
  files.emplace_back(dir / "run.csv", runLines(state, status));
  // A run without its result leaves no tables: they would describe no propeller.
  if (status == 0) {
    for (const auto& [table, rows] : state.tables) {
      const TableFile& shape = fileOf(table);
      Line head(shape.columns.begin(), shape.columns.end());
      if (table == Table::PitchSweep) head[1] = sweepColumn(rec.problemType);
      if (!shape.marker.empty()) head.emplace_back(shape.marker);
      for (std::string& name : head) name = textField(name);
      std::vector<Line> lines{head};
      lines.insert(lines.end(), rows.begin(), rows.end());
      files.emplace_back(dir / shape.file, std::move(lines));
    }
  }
  for (const auto& [path, lines] : files)
    if (!writeFile(path, lines))
      return reportRuntimeError(RuntimeErrorCode::CannotWrite, "WRITE", path.string());
  return status;
}

namespace data {

void input(std::string_view quantity, Cell value, std::string_view unit) {
  if (active) setQuantity(active->inputs, quantity, value, unit);
}

void result(std::string_view quantity, Cell value, std::string_view unit) {
  if (active) setQuantity(active->results, quantity, value, unit);
}

void row(Table table, std::initializer_list<Cell> cells) {
  if (!active) return;
  Line line;
  for (const Cell& cell : cells) line.push_back(field(cell));
  if (!fileOf(table).marker.empty()) line.emplace_back("0");
  active->tables[table].push_back(std::move(line));
  // A refusal's message is what follows the last row.
  active->paragraph.clear();
}

void markRow(Table table, int row) {
  if (!active) return;
  const auto found = active->tables.find(table);
  if (found == active->tables.end() || fileOf(table).marker.empty()) return;
  std::vector<Line>& rows = found->second;
  if (rows.empty() || row < 0) return;
  const size_t index = row == 0 ? rows.size() - 1 : static_cast<size_t>(row - 1);
  if (index < rows.size()) rows[index].back().assign(1, '1');
}

}  // namespace data

}  // namespace helisolv
