#include "export/run_data.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <utility>

namespace helisolv {

namespace {

using data::Cell;
using data::Table;

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
  if (const std::string_view* s = std::get_if<std::string_view>(&cell)) return csvText(*s);
  return {};
}

void setQuantity(std::vector<CsvLine>& lines, std::string_view quantity, const Cell& value,
                 std::string_view unit) {
  CsvLine line{csvText(quantity), field(value), csvText(unit)};
  for (CsvLine& existing : lines)
    if (existing[0] == line[0]) {
      existing = std::move(line);
      return;
    }
  lines.push_back(std::move(line));
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

}  // namespace

// Column names with their units in brackets; the coefficients are plain
// numbers. Kq is the coefficient itself, where the report prints 10Kq.
const TableShape& tableShape(Table table) {
  static const std::map<Table, TableShape> kShapes = {
      {Table::Candidates,
       {"candidates.csv", {"row", "P/D", "J", "Kt", "Kq", "eta0", "Bp", "delta"}, "chosen"}},
      {Table::Bollard,
       {"bollard.csv", {"row", "D [m]", "Kq", "P/D", "Kt", "T [N]", "T [kN]", "T [tf]"}, "chosen"}},
      {Table::OpenWater, {"open_water.csv", {"J", "Kt", "Kq", "eta0", "Bp", "delta"}, "design"}},
      {Table::BpDelta, {"bp_delta.csv", {"P/D", "Kt", "Kq", "eta0", "Bp", "delta"}, ""}},
      {Table::PitchSweep, {"pitch_sweep.csv", {"P/D", "value"}, ""}},
      {Table::AreaRatio, {"area_ratio.csv", {"EAR", "P/D", "eta0", "tested"}, ""}},
      {Table::BladeChecks,
       {"blade_checks.csv",
        {"EAR", "sigma 0.7R", "tau_c", "min EAR Burrill 2.5%", "min EAR Burrill 5%",
         "min EAR recommended upper limit", "min EAR Keller", "min EAR Keller single screw",
         "min EAR Keller fast twin screw", "min EAR Keller slow twin screw", "tip speed [m/s]"},
        ""}},
      {Table::BurrillLines, {"burrill_lines.csv", {"line", "sigma", "tau_c"}, ""}},
  };
  return kShapes.at(table);
}

CsvLine tableHead(Table table, int problemType) {
  const TableShape& shape = tableShape(table);
  CsvLine head(shape.columns.begin(), shape.columns.end());
  if (table == Table::PitchSweep) head[1] = sweepColumn(problemType);
  if (!shape.marker.empty()) head.emplace_back(shape.marker);
  for (std::string& name : head) name = csvText(name);
  return head;
}

std::string csvText(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string quoted = "\"";
  for (char ch : text) {
    if (ch == '"') quoted += '"';
    quoted += ch;
  }
  return quoted + '"';
}

std::string RunData::reason() const {
  std::string text;
  for (const std::string& part : refusal) text += (text.empty() ? "" : " ") + part;
  return text;
}

namespace data {

void input(Session& io, std::string_view quantity, Cell value, std::string_view unit) {
  if (!io.data) return;
  setQuantity(io.data->inputs, quantity, value, unit);
  if (io.data->changed) io.data->changed();
}

void result(Session& io, std::string_view quantity, Cell value, std::string_view unit) {
  if (io.data) setQuantity(io.data->results, quantity, value, unit);
}

void row(Session& io, Table table, std::initializer_list<Cell> cells) {
  row(io, table, std::span<const Cell>(cells.begin(), cells.size()));
}

void row(Session& io, Table table, std::span<const Cell> cells) {
  if (!io.data) return;
  CsvLine line;
  for (const Cell& cell : cells) line.push_back(field(cell));
  if (!tableShape(table).marker.empty()) line.emplace_back("0");
  io.data->tables[table].push_back(std::move(line));
}

void refusal(Session& io, std::string_view line) {
  if (!io.data) return;
  io.data->refusal.emplace_back(line);
  if (io.data->changed) io.data->changed();
}

void markRow(Session& io, Table table, int row) {
  if (!io.data) return;
  const auto found = io.data->tables.find(table);
  if (found == io.data->tables.end() || tableShape(table).marker.empty()) return;
  std::vector<CsvLine>& rows = found->second;
  if (rows.empty() || row < 0) return;
  const size_t index = row == 0 ? rows.size() - 1 : static_cast<size_t>(row - 1);
  if (index < rows.size()) rows[index].back().assign(1, '1');
}

void viscousFlag(Session& io, int flag) {
  if (!io.data) return;
  io.data->viscousFlag = flag;
  if (io.data->changed) io.data->changed();
}

}  // namespace data

}  // namespace helisolv
