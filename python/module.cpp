// The Python module helisolv: the series' open-water coefficients over numpy
// arrays of J, and whole runs of a task in memory. Both give up the GIL while
// they compute, so runs and evaluations in different threads go on at once.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "driver/options.hpp"
#include "driver/version.hpp"
#include "helisolv/curve.hpp"
#include "helisolv/run.hpp"

namespace py = pybind11;

namespace helisolv {
namespace {

using FloatArray = py::array_t<float, py::array::c_style | py::array::forcecast>;

[[noreturn]] void badArgument(const std::string& text) {
  throw py::value_error(text);
}

std::string typeName(const py::handle& value) {
  return py::str(py::type::handle_of(value).attr("__name__"));
}

// A real argument as the 32-bit value the series takes.
float realArgument(const py::handle& value, const char* name) {
  double number = 0.0;
  try {
    number = value.cast<double>();
  } catch (const py::cast_error&) {
    badArgument(std::string(name) + " must be a number, not " + typeName(value));
  }
  const auto real = static_cast<float>(number);
  if (!std::isfinite(real))
    badArgument(std::string(name) + " must be a finite number within the 32-bit range, not " +
                std::string(py::repr(value)));
  return real;
}

std::optional<float> positiveArgument(const py::handle& value, const char* name) {
  if (value.is_none()) return std::nullopt;
  const float real = realArgument(value, name);
  if (!(real > 0.0f))
    badArgument(std::string(name) + " must be positive, not " +
                py::repr(value).cast<std::string>());
  return real;
}

// The values a model option of the command line takes ("viscous-correction",
// "gawn-model"), from the one table of the options.
std::vector<std::string> optionValues(std::string_view option) {
  std::vector<std::string> values;
  for (const ModelOptionValue& v : kModelOptionValues)
    if (v.option == option) values.emplace_back(v.value);
  return values;
}

std::string choices(std::string_view option) {
  std::string text;
  for (const std::string& value : optionValues(option))
    text += (text.empty() ? "\"" : ", \"") + value + "\"";
  return text;
}

// A keyword argument naming a value of a model option, set in models.
void modelArgument(const py::object& value, const char* name, std::string_view option,
                   ModelOptions& models) {
  if (!py::isinstance<py::str>(value))
    badArgument(std::string(name) + " must be one of " + choices(option) + ", not " +
                typeName(value));
  const auto text = value.cast<std::string>();
  if (!setModelOption(models, option, text))
    badArgument(std::string(name) + " must be one of " + choices(option) + ", not \"" + text +
                "\"");
}

SeriesModel seriesArgument(const std::string& series, const py::object& gawnModel) {
  if (series != "wageningen" && series != "gawn")
    badArgument("series must be \"wageningen\" or \"gawn\", not \"" + series + "\"");
  ModelOptions models;
  if (!gawnModel.is_none()) {
    if (series != "gawn") badArgument("gawn_model: only the Gawn series has a Gawn model");
    modelArgument(gawnModel, "gawn_model", "gawn-model", models);
  }
  return {series == "gawn" ? 2 : 1, models.gawnModel};
}

// The scale correction the keyword arguments ask for, checked so that it
// applies: the series takes it (the Wageningen series only), and it has what
// its method scales from: the diameter with a speed or revolutions, or a
// speed and revolutions that imply the diameter at each J; the
// Reynolds-number correction always needs the revolutions.
ScaleCorrection correctionArgument(const SeriesModel& model, const py::object& correction,
                                   const py::object& diameter, const py::object& rpm,
                                   const py::object& speed) {
  if (correction.is_none()) {
    if (!diameter.is_none() || !rpm.is_none() || !speed.is_none())
      badArgument("diameter, rpm and speed belong to a scale correction: give correction= (" +
                  choices("viscous-correction") + ") too");
    return {};
  }
  ModelOptions models;
  modelArgument(correction, "correction", "viscous-correction", models);
  if (model.seriesType != 1)
    badArgument("correction: only the Wageningen series is corrected for scale");
  const ScaleCorrection scale{
      1, models.viscousCorrection, positiveArgument(diameter, "diameter").value_or(0.0f),
      positiveArgument(speed, "speed").value_or(0.0f), positiveArgument(rpm, "rpm").value_or(0.0f)};
  // The program corrects only a propeller running at a speed or revolutions.
  if (!scale.applies())
    badArgument("correction needs rpm or speed (at least 0.001) besides the diameter");
  if (scale.variesWithAdvance() && (scale.rpm < 0.001f || scale.advanceSpeed < 0.001f))
    badArgument(
        "correction without a diameter needs both rpm and speed, which imply the "
        "diameter at each J");
  if (scale.method == ViscousCorrection::Reynolds && scale.rpm < 0.001f)
    badArgument(
        "correction \"reynolds\" needs rpm (at least 0.001): the section's Reynolds "
        "number is that of the turning propeller");
  return scale;
}

// A published model evaluated beyond its fitted ranges is a Python warning,
// as it is a warning of a run.
void warnOf(const ModelRangeNotes& notes) {
  const char* texts[] = {
      notes.reynoldsClamped ? "helisolv: the Reynolds number lay outside 2e6 to 2e9 at some J; "
                              "the correction there is the one at the nearer end"
                            : nullptr,
      notes.outsideGawnRegression ? "helisolv: the Gawn-Burrill regression was evaluated outside "
                                    "the P/D, area ratio or J it was fitted over"
                                  : nullptr,
  };
  for (const char* text : texts)
    if (text && PyErr_WarnEx(PyExc_RuntimeWarning, text, 2) != 0) throw py::error_already_set();
}

// Arguments shared by the curve and its point-by-point reference.
struct OpenWaterCall {
  SeriesModel model;
  Propeller propeller;
  ScaleCorrection correction;
  FloatArray advance;
  std::vector<py::ssize_t> shape;
};

OpenWaterCall openWaterCall(const std::string& series, const py::object& blades,
                            const py::object& areaRatio, const py::object& pitchRatio,
                            const py::object& j, const py::object& correction,
                            const py::object& diameter, const py::object& rpm,
                            const py::object& speed, const py::object& gawnModel) {
  OpenWaterCall call;
  call.model = seriesArgument(series, gawnModel);
  call.propeller = {realArgument(blades, "blades"), realArgument(areaRatio, "area_ratio"),
                    realArgument(pitchRatio, "pitch_ratio")};
  call.correction = correctionArgument(call.model, correction, diameter, rpm, speed);
  call.advance = FloatArray::ensure(j);
  if (!call.advance) {
    PyErr_Clear();
    badArgument("j must be a number or an array of numbers, not " + typeName(j));
  }
  call.shape.assign(call.advance.shape(), call.advance.shape() + call.advance.ndim());
  return call;
}

py::tuple openWater(const std::string& series, const py::object& blades,
                    const py::object& areaRatio, const py::object& pitchRatio, const py::object& j,
                    const py::object& correction, const py::object& diameter, const py::object& rpm,
                    const py::object& speed, const py::object& gawnModel) {
  const OpenWaterCall call = openWaterCall(series, blades, areaRatio, pitchRatio, j, correction,
                                           diameter, rpm, speed, gawnModel);
  py::array_t<float> kt(call.shape), kq(call.shape), eta0(call.shape);
  const auto n = static_cast<std::size_t>(call.advance.size());
  const float* advance = call.advance.data();
  float* ktOut = kt.mutable_data();
  float* kqOut = kq.mutable_data();
  float* etaOut = eta0.mutable_data();
  CurveSummary summary;
  {
    py::gil_scoped_release release;
    summary = evaluateOpenWaterCurve(call.model, call.propeller, {advance, n}, {ktOut, n},
                                     {kqOut, n}, {etaOut, n}, call.correction);
  }
  warnOf(summary.notes);
  return py::make_tuple(kt, kq, eta0);
}

// The same coefficients one point at a time through evaluateOpenWater, the
// program's point evaluator: the reference the tests hold open_water to.
py::tuple openWaterByPoint(const std::string& series, const py::object& blades,
                           const py::object& areaRatio, const py::object& pitchRatio,
                           const py::object& j, const py::object& correction,
                           const py::object& diameter, const py::object& rpm,
                           const py::object& speed, const py::object& gawnModel) {
  const OpenWaterCall call = openWaterCall(series, blades, areaRatio, pitchRatio, j, correction,
                                           diameter, rpm, speed, gawnModel);
  py::array_t<float> kt(call.shape), kq(call.shape), eta0(call.shape);
  const float* advance = call.advance.data();
  float* ktOut = kt.mutable_data();
  float* kqOut = kq.mutable_data();
  float* etaOut = eta0.mutable_data();
  for (py::ssize_t i = 0; i < call.advance.size(); ++i) {
    const OpenWaterPoint p =
        evaluateOpenWater(call.model, call.propeller, advance[i], call.correction);
    ktOut[i] = p.kt;
    kqOut[i] = p.kq;
    etaOut[i] = p.eta0;
  }
  return py::make_tuple(kt, kq, eta0);
}

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

// One run's outcome; the tables and quantities become Python objects when
// first asked for.
class PyRunResult {
 public:
  explicit PyRunResult(RunResult result) : r_(std::move(result)) {}

  int exitStatus() const { return r_.exitStatus; }
  py::bytes console() const { return py::bytes(r_.console); }
  py::bytes resultFile() const { return py::bytes(r_.resultFile); }
  py::bytes errors() const { return py::bytes(r_.errors); }
  std::string reason() const { return r_.reason; }

  py::list warnings() const {
    py::list out;
    for (const std::string& w : r_.warnings) out.append(py::str(w));
    return out;
  }

  py::dict tables() {
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

  py::dict results() {
    if (!results_) results_ = quantityDict(r_.results);
    return *results_;
  }
  py::dict inputs() {
    if (!inputs_) inputs_ = quantityDict(r_.inputs);
    return *inputs_;
  }

  std::string repr() const {
    return "<helisolv.RunResult exit_status=" + std::to_string(r_.exitStatus) + ", " +
           std::to_string(r_.tables.size()) + " tables, " + std::to_string(r_.results.size()) +
           " results>";
  }

 private:
  RunResult r_;
  std::optional<py::dict> tables_, results_, inputs_;
};

// The task file's text, or the console answers, as bytes: a str is taken as UTF-8.
std::string textArgument(const py::handle& value, const char* name) {
  if (py::isinstance<py::bytes>(value)) return value.cast<std::string>();
  if (py::isinstance<py::str>(value)) return value.cast<std::string>();
  if (py::isinstance<py::bytearray>(value))
    return py::bytes(py::reinterpret_borrow<py::object>(value)).cast<std::string>();
  badArgument(std::string(name) + " must be text (str or bytes), not " + typeName(value) +
              (std::string(name) == "task" ? "; give the task file's text, not its path" : ""));
}

std::vector<std::string> argsArgument(const py::handle& args) {
  if (py::isinstance<py::str>(args) || py::isinstance<py::bytes>(args) ||
      !py::isinstance<py::sequence>(args))
    badArgument(
        "args must be a sequence of command-line arguments, e.g. (\"--csv\", \"out\"), "
        "not " +
        typeName(args));
  const py::object fspath = py::module_::import("os").attr("fspath");
  std::vector<std::string> out;
  for (const py::handle item : args) {
    if (py::isinstance<py::str>(item)) {
      out.push_back(item.cast<std::string>());
      continue;
    }
    try {
      out.push_back(py::str(fspath(item)).cast<std::string>());
    } catch (const py::error_already_set&) {
      badArgument("args must hold str, not " + typeName(item));
    }
  }
  return out;
}

PyRunResult runTask(const py::object& task, const py::object& answers, const py::object& args) {
  // A helisolv.Task runs as its keyword file.
  const std::string taskText = py::hasattr(task, "to_toml")
                                   ? task.attr("to_toml")().cast<std::string>()
                                   : textArgument(task, "task");
  const std::string answerText = textArgument(answers, "answers");
  const std::vector<std::string> arguments = argsArgument(args);
  RunOptions options;
  if (auto ended = parseRunArguments(arguments, options)) {
    if (ended->exitStatus == 2) {
      // The command line's own message: why, then the usage line.
      std::string why = ended->errors;
      if (why.starts_with("helisolv: ")) why.erase(0, 10);
      while (!why.empty() && why.back() == '\n') why.pop_back();
      badArgument("args: " + why);
    }
    return PyRunResult(std::move(*ended));
  }
  RunResult result;
  {
    py::gil_scoped_release release;
    result = run(taskText, answerText, options);
  }
  return PyRunResult(std::move(result));
}

}  // namespace

void bindTask(py::module_& m);

}  // namespace helisolv

PYBIND11_MODULE(helisolv, m) {
  using namespace helisolv;
  m.doc() =
      "Marine propellers of the Wageningen B-series and the Gawn series: open-water "
      "coefficients and the program's ten design and analysis problems.";
  m.attr("__version__") = kVersion;
  bindTask(m);
  for (const auto& [name, option] :
       {std::pair{"CORRECTIONS", "viscous-correction"}, std::pair{"GAWN_MODELS", "gawn-model"}}) {
    py::list values;
    for (const std::string& value : optionValues(option)) values.append(py::str(value));
    m.attr(name) = py::tuple(values);
  }

  const char* openWaterDoc =
      "open_water(series, blades, area_ratio, pitch_ratio, j, *, correction=None, "
      "diameter=None, rpm=None, speed=None, gawn_model=None) -> (kt, kq, eta0)\n\n"
      "Open-water Kt, Kq and eta0 of one propeller at every J, as float32 arrays of j's "
      "shape. series is \"wageningen\" or \"gawn\" (which evaluates any blade count not "
      "within 0.01 of 3 as 3); |J| below 0.001 is evaluated at 0.001. correction names a "
      "scale correction as --viscous-correction does (CORRECTIONS; Wageningen series only) "
      "and needs the full-scale diameter (m) with rpm or speed (m/s), or rpm and speed, which "
      "imply the diameter at each J; \"reynolds\" always needs rpm. gawn_model names the Gawn "
      "model as --gawn-model does (GAWN_MODELS). A published model evaluated beyond its fitted "
      "ranges gives a RuntimeWarning.";
  m.def("open_water", &openWater, openWaterDoc, py::arg("series"), py::arg("blades"),
        py::arg("area_ratio"), py::arg("pitch_ratio"), py::arg("j"), py::kw_only(),
        py::arg("correction") = py::none(), py::arg("diameter") = py::none(),
        py::arg("rpm") = py::none(), py::arg("speed") = py::none(),
        py::arg("gawn_model") = py::none());
  m.def("_open_water_by_point", &openWaterByPoint,
        "open_water evaluated one point at a time by the point evaluator (for tests).",
        py::arg("series"), py::arg("blades"), py::arg("area_ratio"), py::arg("pitch_ratio"),
        py::arg("j"), py::kw_only(), py::arg("correction") = py::none(),
        py::arg("diameter") = py::none(), py::arg("rpm") = py::none(),
        py::arg("speed") = py::none(), py::arg("gawn_model") = py::none());

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

  m.def("run", &runTask,
        "run(task, answers=\"\", args=()) -> RunResult\n\n"
        "Runs the task file's text (str or bytes) with the console answers, one line each, "
        "as the console program in a folder holding it as Helisolv.Tsk, but in memory: no "
        "file is read or written unless args names --csv DIR, and a pause reply never runs "
        "as a command. args are the console program's options, e.g. "
        "(\"--viscous-correction=ittc78\",).",
        py::arg("task"), py::arg("answers") = "", py::arg("args") = py::tuple());
}
