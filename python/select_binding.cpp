// helisolv.select(**inputs): the selection of a propeller with the inputs of
// the keyword task file by the same names, each a number in the unit the
// README names for it or a text with its unit ("420 kN"); the result as dicts
// and lists of plain Python values. The inputs go through the keyword file's
// own reading, so both accept and refuse the same things.
#include <pybind11/pybind11.h>

#include <string>
#include <variant>

#include "bindings.hpp"
#include "helisolv/selection.hpp"
#include "selection/csv.hpp"
#include "selection/toml_inputs.hpp"

namespace py = pybind11;

namespace helisolv {
namespace {

// A Python value as the keyword file would hold it.
using Held = std::variant<int64_t, double, std::string, toml::array>;

Held held(py::handle v, const std::string& key) {
  if (py::isinstance<py::bool_>(v))
    throw py::type_error(key + " must be a number, a text or a list, not a bool");
  if (py::isinstance<py::str>(v)) return v.cast<std::string>();
  if (py::isinstance<py::int_>(v)) return v.cast<int64_t>();
  if (py::isinstance<py::list>(v) || py::isinstance<py::tuple>(v)) {
    toml::array a;
    for (py::handle item : v)
      std::visit([&](auto&& x) { a.push_back(std::move(x)); }, held(item, key));
    return a;
  }
  if (py::hasattr(v, "dtype") && py::str(v.attr("dtype").attr("kind")).cast<std::string>() == "c")
    throw py::type_error(key + " must be a real number, not complex");
  if (py::isinstance<py::float_>(v) || py::hasattr(v, "__float__"))
    return py::float_(py::reinterpret_borrow<py::object>(v)).cast<double>();
  throw py::type_error(key + " must be a number, a text or a list, not " +
                       py::str(py::type::of(v).attr("__name__")).cast<std::string>());
}

py::dict propellerDict(const SelectedPropeller& s) {
  py::dict d;
  d["blades"] = s.blades;
  d["diameter"] = s.diameter;
  d["pitch_ratio"] = s.pitchRatio;
  d["area_ratio"] = s.areaRatio;
  d["J"] = s.advanceRatio;
  d["kt"] = s.kt;
  d["kq"] = s.kq;
  d["eta0"] = s.eta0;
  d["etaD"] = s.etaD;
  d["rpm"] = s.rpm;
  d["advance_speed"] = s.advanceSpeed;
  d["ship_speed"] = s.shipSpeed > 0.0f ? py::object(py::float_(s.shipSpeed)) : py::none();
  d["thrust"] = s.thrust;
  d["delivered_power"] = s.deliveredPower;
  d["brake_power"] = s.brakePower;
  d["sigma_07r"] = s.sigma07;
  d["tau_c"] = s.tauC;
  d["tau_allowed"] = s.tauAllowed ? py::object(py::float_(*s.tauAllowed)) : py::none();
  d["minimum_area_ratio"] =
      s.minimumAreaRatio ? py::object(py::float_(*s.minimumAreaRatio)) : py::none();
  d["tip_speed"] = s.tipSpeed;
  py::list limits;
  if (s.active.diameterAtLimit) limits.append("diameter");
  if (s.active.areaRatioAtMinimum) limits.append("area_ratio_minimum");
  if (s.active.rpmAtLimit) limits.append("rpm");
  if (s.active.tipSpeedAtLimit) limits.append("tip_speed");
  if (s.active.pitchAtSeriesEdge) limits.append("pitch_edge");
  d["limits"] = limits;
  return d;
}

py::object optionalFloat(const std::optional<float>& v) {
  return v ? py::object(py::float_(*v)) : py::none();
}

py::dict selectPropeller(const py::kwargs& kwargs) {
  toml::table table;
  std::optional<std::string> csvDir;
  for (const auto& [k, v] : kwargs) {
    const std::string key = py::str(k).cast<std::string>();
    if (v.is_none()) continue;
    if (key == "csv") {
      csvDir = py::str(v).cast<std::string>();
      continue;
    }
    std::visit([&](auto&& x) { table.insert_or_assign(key, std::move(x)); }, held(v, key));
  }
  const selection::ParsedInputs parsed = selection::parseSelection(table, true);
  if (!parsed.inputs) throw py::value_error(parsed.error);
  SelectionResult r;
  {
    py::gil_scoped_release release;
    r = select(*parsed.inputs);
  }
  if (csvDir) {
    const std::vector<AreaRatioPoint> sweep = areaRatioSweep(*parsed.inputs, r);
    if (const auto why = selection::writeCsv(*csvDir, *parsed.inputs, r, sweep))
      throw py::value_error("cannot write the CSV files: " + *why);
  }
  if (r.refused) throw py::value_error(r.reason);
  py::dict out;
  out["chosen"] = propellerDict(*r.chosen);
  py::list perBlades;
  for (size_t i = 0; i < r.perBlades.size(); ++i) {
    if (r.perBlades[i].diameter <= 0.0f) {
      py::dict none;
      none["blades"] = r.perBlades[i].blades;
      none["refused"] = r.perBladesNote[i];
      perBlades.append(none);
      continue;
    }
    perBlades.append(propellerDict(r.perBlades[i]));
  }
  out["per_blades"] = perBlades;
  py::list curve;
  for (const SpeedPowerPoint& p : r.speedPower) {
    py::dict row;
    row["ship_speed"] = p.shipSpeed;
    row["resistance"] = p.resistance;
    row["thrust"] = p.thrust;
    row["J"] = p.advanceRatio;
    row["rpm"] = p.rpm;
    row["delivered_power"] = p.deliveredPower;
    row["brake_power"] = p.brakePower;
    curve.append(row);
  }
  out["speed_power"] = curve;
  if (r.engine) {
    py::dict e;
    e["mcr"] = r.engine->mcr;
    e["trial_speed"] = optionalFloat(r.engine->trialSpeed);
    e["service_speed"] = optionalFloat(r.engine->serviceSpeed);
    e["trial_rpm"] = optionalFloat(r.engine->trialRpm);
    e["service_rpm"] = optionalFloat(r.engine->serviceRpm);
    e["light_running_margin"] = optionalFloat(r.engine->lightRunningMargin);
    e["gear_ratio"] = optionalFloat(r.engine->gearRatio);
    e["engine_rpm"] = optionalFloat(r.engine->engineRpm);
    out["engine"] = e;
  } else {
    out["engine"] = py::none();
  }
  py::list warnings;
  for (const std::string& w : r.warnings) warnings.append(w);
  out["warnings"] = warnings;
  return out;
}

}  // namespace

namespace python {

void bindSelect(py::module_& m) {
  m.def("select", &selectPropeller,
        "select(**inputs) -> dict\n\n"
        "Selects the propeller for a duty: the inputs of the keyword task file's problem "
        "\"selection\" by the same names (thrust, advance_speed, ship_speed, resistance, "
        "resistance_curve, delivered_power, diameter, rpm, blades, area_ratio, cavitation, "
        "...), each a number in the unit the README names or a text with its unit. Returns "
        "chosen and per_blades (dicts: blades, diameter, pitch_ratio, area_ratio, J, kt, kq, "
        "eta0, rpm, delivered_power, ...), speed_power (rows), engine and warnings. Refused "
        "inputs raise ValueError naming the input or the limit that binds. csv=DIR also "
        "writes the CSV tables there, for helisolv-plot.");
}

}  // namespace python
}  // namespace helisolv
