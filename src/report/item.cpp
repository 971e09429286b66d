#include "report/item.hpp"

#include <string>
#include <vector>

namespace helisolv {

namespace {

std::vector<Value> shownValues(std::initializer_list<Field> fields) {
  std::vector<Value> values;
  values.reserve(fields.size());
  for (const Field& f : fields)
    if (f.shown) values.push_back(*f.shown);
  return values;
}

void writeBoth(Session& io, std::string_view layout, const std::vector<Value>& values) {
  write(io, Unit::Console, layout, values);
  write(io, Unit::Result, layout, values);
}

// The refusal's records, without their blank margins, as one reason.
void handReason(Session& io, std::string_view layout, const std::vector<Value>& values) {
  if (!io.data) return;
  for (const std::string& record : render(io, layout, values)) {
    const size_t first = record.find_first_not_of(' ');
    if (first == std::string::npos) continue;
    const size_t last = record.find_last_not_of(' ');
    data::refusal(io, std::string_view(record).substr(first, last - first + 1));
  }
}

}  // namespace

void emit(Session& io, std::string_view layout, std::initializer_list<Field> fields) {
  writeBoth(io, layout, shownValues(fields));
  for (const Field& f : fields)
    if (!f.quantity.empty() && !std::holds_alternative<std::monostate>(f.exported))
      data::result(io, f.quantity, f.exported, f.unit);
}

void emitRow(Session& io, data::Table table, std::string_view layout,
             std::initializer_list<Field> fields) {
  writeBoth(io, layout, shownValues(fields));
  std::vector<data::Cell> cells;
  for (const Field& f : fields)
    if (!std::holds_alternative<std::monostate>(f.exported)) cells.push_back(f.exported);
  data::row(io, table, cells);
}

void RowBlock::line(std::string_view layout, std::initializer_list<Field> fields) {
  writeBoth(io_, layout, shownValues(fields));
  for (const Field& f : fields)
    if (!std::holds_alternative<std::monostate>(f.exported)) cells_.push_back(f.exported);
}

void emitRefusal(Session& io, std::string_view layout, std::initializer_list<Field> fields) {
  const std::vector<Value> values = shownValues(fields);
  writeBoth(io, layout, values);
  handReason(io, layout, values);
}

void handRefusal(Session& io, std::string_view layout, std::initializer_list<Field> fields) {
  handReason(io, layout, shownValues(fields));
}

void emitRefusalTo(Session& io, Unit unit, std::string_view layout,
                   std::initializer_list<Field> fields) {
  const std::vector<Value> values = shownValues(fields);
  write(io, unit, layout, values);
  if (unit == Unit::Result) handReason(io, layout, values);
}

}  // namespace helisolv
