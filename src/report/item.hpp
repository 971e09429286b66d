// A report item described once: its Turkish layout as the writer takes it
// (the catalogue gives its English twin, keyed by that layout) and its values,
// each with the quantity it is and the SI symbol of its unit. Emitting the
// item renders it to every sink of the run: the report on the console and in
// the result file, in the run's language, and the data export that the CSV
// files and the library's RunResult are made of. A solver emits an item once
// and never hands the same values to the export beside it.
#pragma once

#include <initializer_list>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "export/data_export.hpp"
#include "io/writer.hpp"

namespace helisolv {

// One value of a report item: as the layout edits it, and as the export takes
// it (empty: printed only). The report prints 10Kq where the export keeps Kq.
struct Field {
  std::optional<Value> shown;  // none: exported only, the layout has no place for it
  data::Cell exported;
  std::string_view quantity;  // the result's name in the export; empty in a table row
  std::string_view unit;
};

// A value of the result block, printed and exported as it is.
inline Field quantity(std::string_view name, float value, std::string_view unit = {}) {
  return {value, value, name, unit};
}
inline Field quantity(std::string_view name, int value, std::string_view unit = {}) {
  return {value, value, name, unit};
}
// The torque coefficient of the result block: 10Kq printed, Kq exported.
inline Field tenfoldKq(float kq) {
  return {10.0f * kq, kq, "Kq", {}};
}

// A column of a table row, printed and exported as it is.
inline Field column(float value) {
  return {value, value, {}, {}};
}
inline Field column(int value) {
  return {value, value, {}, {}};
}
// The Kq column of a table: 10Kq printed, Kq exported.
inline Field tenfoldKqColumn(float kq) {
  return {10.0f * kq, kq, {}, {}};
}

// Exported only: a column the printed row has no place for.
inline Field exportedOnly(data::Cell value) {
  return {std::nullopt, value, {}, {}};
}

// A value of the result block the report does not print, exported only.
inline Field exportedQuantity(std::string_view name, float value, std::string_view unit = {}) {
  return {std::nullopt, value, name, unit};
}

// Printed only: a row counter, a symbol, a value the export does not keep.
inline Field shown(Value value) {
  return {value, {}, {}, {}};
}

// A line or a result block: written to the console and then to the result
// file, its named values handed to the export's result block.
void emit(Session& io, std::string_view layout, std::initializer_list<Field> fields = {});

// A table row: written to the console and the result file, its exported
// values handed to the table, in its column order.
void emitRow(Session& io, data::Table table, std::string_view layout,
             std::initializer_list<Field> fields);

// A table row whose values are printed over several report lines (a block of
// checks): each line is emitted as it comes and its exported values kept in
// order; finish() hands them to the table as one row.
class RowBlock {
 public:
  RowBlock(Session& io, data::Table table) : io_(io), table_(table) {}
  void line(std::string_view layout, std::initializer_list<Field> fields = {});
  // Empty cells for the values of lines this run does not print.
  void skip(size_t cells) { cells_.resize(cells_.size() + cells); }
  void finish() { data::row(io_, table_, cells_); }

 private:
  Session& io_;
  data::Table table_;
  std::vector<data::Cell> cells_;
};

// The message of a refusal: written as emit() writes, and handed to the export
// as the reason (its non-empty records, in the run's language) of inputs refused.
void emitRefusal(Session& io, std::string_view layout, std::initializer_list<Field> fields = {});
// The reason of a refusal from a line already printed, nothing written.
void handRefusal(Session& io, std::string_view layout, std::initializer_list<Field> fields = {});
// The same to one output only: the result file hears the reason.
void emitRefusalTo(Session& io, Unit unit, std::string_view layout,
                   std::initializer_list<Field> fields = {});

}  // namespace helisolv
