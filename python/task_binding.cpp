// helisolv.Task: a task file of either form as a value, read from its text or
// built from named inputs with their units, written back as either form, and
// run by helisolv.run.
#include <pybind11/pybind11.h>

#include <string>
#include <vector>

#include "bindings.hpp"
#include "helisolv/task_file.hpp"
#include "taskfile/toml_text.hpp"

namespace py = pybind11;

namespace helisolv::python {
namespace {

std::string pyTypeName(const py::handle& value) {
  return py::str(py::type::handle_of(value).attr("__name__"));
}

// A key as TOML takes it bare.
std::string tomlKey(const std::string& key) {
  for (char c : key) {
    const bool bare = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '_' || c == '-';
    if (!bare) throw py::value_error("unknown input " + py::repr(py::str(key)).cast<std::string>());
  }
  if (key.empty()) throw py::value_error("an input's name is empty");
  return key;
}

std::string tomlValue(const py::handle& value, const std::string& key) {
  if (py::isinstance<py::bool_>(value)) return value.cast<bool>() ? "true" : "false";
  if (py::isinstance<py::int_>(value)) return py::str(value).cast<std::string>();
  // repr gives the shortest text that reads back to the double (inf and nan
  // as TOML writes them), which the reader then takes to 32 bits once.
  if (py::isinstance<py::float_>(value)) return py::repr(value).cast<std::string>();
  if (py::isinstance<py::str>(value)) return tomlString(value.cast<std::string>());
  if (py::isinstance<py::list>(value) || py::isinstance<py::tuple>(value)) {
    std::string out = "[";
    for (const py::handle item : value) out += (out.size() > 1 ? ", " : "") + tomlValue(item, key);
    return out + "]";
  }
  throw py::value_error(key + " must be a number, a text with its unit, true or false, not " +
                        pyTypeName(value));
}

// The task read, or a ValueError naming every mistake; warnings (an input the
// problem does not read) as Python warnings.
TaskFile taskOf(const std::string& text, bool fromArguments) {
  TaskParse parsed = parseTask(text);
  const auto plain = [fromArguments](std::string line) {
    // Built from arguments, the task has no lines of its own to point at.
    if (fromArguments && line.starts_with("line ")) {
      const size_t colon = line.find(": ");
      if (colon != std::string::npos) line.erase(0, colon + 2);
    }
    return line;
  };
  if (parsed.exitStatus != ExitStatus::Result || !parsed.task) {
    std::string message;
    for (const std::string& e : parsed.errors) message += (message.empty() ? "" : "\n") + plain(e);
    throw py::value_error(message.empty() ? std::string("not a task file") : message);
  }
  for (const std::string& w : parsed.warnings) PyErr_WarnEx(PyExc_UserWarning, plain(w).c_str(), 2);
  return std::move(*parsed.task);
}

TaskFile fromArguments(const py::kwargs& inputs) {
  std::string head, tables;
  for (const auto& [key, value] : inputs) {
    const std::string name = tomlKey(py::str(key).cast<std::string>());
    if (py::isinstance<py::dict>(value)) {
      tables += "\n[" + name + "]\n";
      for (const auto& [k, v] : value.cast<py::dict>()) {
        const std::string inner = tomlKey(py::str(k).cast<std::string>());
        tables += inner + " = " + tomlValue(v, name + "." + inner) + "\n";
      }
    } else {
      head += name + " = " + tomlValue(value, name) + "\n";
    }
  }
  return taskOf(head + tables, true);
}

}  // namespace

void bindTask(py::module_& m) {
  py::class_<TaskFile>(m, "Task",
                       "A task: Task(series=\"wageningen\", problem=\"pitch-for-thrust\", "
                       "thrust=\"420 kN\", diameter=\"4.6 m\", ..., answers={...}), each "
                       "dimensional input a text with its unit. Task.from_toml(text) reads a "
                       "task file of either form; to_toml() and to_fixed_lines() write one; "
                       "helisolv.run(task) runs it. A mistake is a ValueError naming it.")
      .def(py::init(&fromArguments))
      .def_static(
          "from_toml",
          [](const py::object& text) {
            const std::string bytes = py::isinstance<py::bytes>(text) ? text.cast<std::string>()
                                      : py::isinstance<py::str>(text)
                                          ? text.cast<std::string>()
                                          : throw py::value_error(
                                                "the task file's text must be "
                                                "str or bytes, not " +
                                                pyTypeName(text));
            return taskOf(bytes, false);
          },
          py::arg("text"), "Reads a task file's text, keyword or fixed-line.")
      .def("to_toml", &toToml, "The keyword file of the task.")
      .def("to_fixed_lines", &toFixedLines, "The fixed-line file of the task.")
      .def_property_readonly(
          "series", [](const TaskFile& f) { return static_cast<int>(f.task.seriesType); },
          "1 Wageningen B-series, 2 Gawn series")
      .def_property_readonly(
          "problem", [](const TaskFile& f) { return f.task.problemType; },
          "the problem type, 1 to 10")
      .def("__repr__", [](const TaskFile& f) {
        return "<helisolv.Task series=" + std::to_string(static_cast<int>(f.task.seriesType)) +
               " problem=" + std::to_string(f.task.problemType) + ">";
      });
}

}  // namespace helisolv::python
