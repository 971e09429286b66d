#include "run_result.hpp"

#include <charconv>
#include <vector>

namespace helisolv::python {

namespace {

// A CSV field as Python takes it: None for an empty field (asterisks in the
// report), an int or a float for a number, otherwise the text.
py::object fieldValue(const std::string& field) {
  if (field.empty()) return py::none();
  const char* first = field.data();
  const char* last = first + field.size();
  long long whole = 0;
  if (auto [end, ec] = std::from_chars(first, last, whole); ec == std::errc() && end == last)
    return py::int_(whole);
  double real = 0.0;
  if (auto [end, ec] = std::from_chars(first, last, real); ec == std::errc() && end == last)
    return py::float_(real);
  return py::str(field);
}

py::dict quantityDict(const std::vector<RunQuantity>& quantities) {
  py::dict out;
  for (const RunQuantity& q : quantities)
    out[py::str(q.name)] = py::make_tuple(fieldValue(q.value), py::str(q.unit));
  return out;
}

}  // namespace

py::list PyRunResult::warnings() const {
  py::list out;
  for (const std::string& w : r_.warnings) out.append(py::str(w));
  return out;
}

py::dict PyRunResult::tables() {
  if (!tables_) {
    py::dict out;
    for (const RunTable& table : r_.tables) {
      std::vector<py::str> columns(table.columns.begin(), table.columns.end());
      py::list rows;
      for (const std::vector<std::string>& fields : table.rows) {
        py::dict row;
        for (std::size_t i = 0; i < columns.size() && i < fields.size(); ++i)
          row[columns[i]] = fieldValue(fields[i]);
        rows.append(row);
      }
      out[py::str(table.name)] = rows;
    }
    tables_ = out;
  }
  return *tables_;
}

py::dict PyRunResult::results() {
  if (!results_) results_ = quantityDict(r_.results);
  return *results_;
}

py::dict PyRunResult::inputs() {
  if (!inputs_) inputs_ = quantityDict(r_.inputs);
  return *inputs_;
}

std::string PyRunResult::repr() const {
  return "<helisolv.RunResult exit_status=" + std::to_string(exitStatus()) + ", " +
         std::to_string(r_.tables.size()) + " tables, " + std::to_string(r_.results.size()) +
         " results>";
}

void bindRunResult(py::module_& m) {
  py::class_<PyRunResult>(m, "RunResult", "What one run printed, kept and ended with.")
      .def_property_readonly("exit_status", &PyRunResult::exitStatus,
                             "0 a result, 1 a run-time error, 3 refused inputs")
      .def_property_readonly("console", &PyRunResult::console, "the console bytes")
      .def_property_readonly("result_file", &PyRunResult::resultFile, "the bytes of Helisolv.Son")
      .def_property_readonly("errors", &PyRunResult::errors,
                             "standard error: the run-time error report, warnings, notes")
      .def_property_readonly("tables", &PyRunResult::tables,
                             "each printed table (CSV file name without .csv) as a list of "
                             "rows, each a dict keyed by column name; None for asterisks")
      .def_property_readonly("results", &PyRunResult::results,
                             "the result block: quantity -> (value, unit)")
      .def_property_readonly("inputs", &PyRunResult::inputs,
                             "the inputs as read: quantity -> (value, unit)")
      .def_property_readonly("warnings", &PyRunResult::warnings, "the run's warnings")
      .def_property_readonly("reason", &PyRunResult::reason,
                             "why the inputs were refused (exit status 3)")
      .def("__repr__", &PyRunResult::repr);
}

}  // namespace helisolv::python
