// Numbers are written as the program's CSV export writes them: the shortest
// text that reads back to the same 32-bit value, an empty field for a value
// that is not a finite number or not there.
#include "selection/csv.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <filesystem>

#include "export/csv_export.hpp"
#include "export/run_data.hpp"

namespace helisolv::selection {

namespace {

std::string num(float v) {
  if (!std::isfinite(v)) return {};
  std::array<char, 64> buffer{};
  const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v);
  return std::string(buffer.data(), end.ptr);
}
std::string num(const std::optional<float>& v) {
  return v ? num(*v) : std::string();
}

struct Csv {
  std::string text;
  int rows = 0;
  void head(std::initializer_list<std::string_view> names) {
    std::string l;
    for (std::string_view n : names) l += (l.empty() ? "" : ",") + csvText(n);
    text += l + "\n";
  }
  void row(std::initializer_list<std::string> fields) {
    std::string l;
    bool first = true;
    for (const std::string& f : fields) {
      l += (first ? "" : ",") + f;
      first = false;
    }
    text += l + "\n";
    ++rows;
  }
  void quantity(std::string_view name, const std::string& value, std::string_view unit = {}) {
    text += csvText(name) + "," + value + "," + csvText(unit) + "\n";
  }
};

const char* correctionText(SelectionCorrection c) {
  switch (c) {
    case SelectionCorrection::Legacy:
      return "legacy";
    case SelectionCorrection::Ittc78:
      return "ittc78";
    case SelectionCorrection::Reynolds:
      return "reynolds";
    case SelectionCorrection::None:
      break;
  }
  return "none";
}

const char* criterionText(CavitationCriterion c) {
  switch (c) {
    case CavitationCriterion::Burrill25:
      return "burrill-2.5";
    case CavitationCriterion::Burrill5:
      return "burrill-5";
    case CavitationCriterion::BurrillUpper:
      return "burrill-upper-limit";
    case CavitationCriterion::Keller:
      return "keller";
    case CavitationCriterion::None:
      break;
  }
  return "none";
}

std::string limitsText(const ActiveConstraints& a) {
  std::string s;
  auto add = [&](const char* t) { s += (s.empty() ? "" : " ") + std::string(t); };
  if (a.diameterAtLimit) add("diameter");
  if (a.areaRatioAtMinimum) add("area-ratio-minimum");
  if (a.rpmAtLimit) add("rpm");
  if (a.tipSpeedAtLimit) add("tip-speed");
  if (a.pitchAtSeriesEdge) add("pitch-edge");
  return csvText(s);
}

void bounds(Csv& run, std::string_view name, const std::optional<Bounds>& b,
            std::string_view unit) {
  if (!b) return;
  run.quantity(std::string(name) + " low", num(b->low), unit);
  run.quantity(std::string(name) + " high", num(b->high), unit);
}

}  // namespace

std::vector<FileText> csvFiles(const SelectionInputs& in, const SelectionResult& r,
                               const std::vector<AreaRatioPoint>& sweep) {
  Csv run;
  run.head({"quantity", "value", "unit"});
  run.quantity("problem", "selection");
  run.quantity("series", std::to_string(static_cast<int>(in.seriesType)));
  if (in.thrust) run.quantity("thrust", num(*in.thrust), "kN");
  if (in.advanceSpeed) run.quantity("advance speed", num(*in.advanceSpeed), "m/s");
  if (in.shipSpeed) run.quantity("ship speed", num(*in.shipSpeed), "kn");
  if (in.resistance) run.quantity("resistance", num(*in.resistance), "kN");
  if (in.deliveredPower) run.quantity("delivered power", num(*in.deliveredPower), "kW");
  run.quantity("propellers", std::to_string(in.propellers));
  run.quantity("wake fraction", num(in.wakeFraction));
  run.quantity("thrust deduction", num(in.thrustDeduction));
  bounds(run, "diameter", in.diameter, "m");
  bounds(run, "rpm", in.rpm, "rpm");
  bounds(run, "pitch ratio", in.pitchRatio, "");
  bounds(run, "area ratio", in.areaRatio, "");
  run.quantity("cavitation", criterionText(in.cavitation));
  run.quantity("cavitation margin", num(in.cavitationMargin));
  run.quantity("shaft depth", num(in.shaftDepth), "m");
  run.quantity("density", num(in.density), "kg/m3");
  run.quantity("kinematic viscosity", num(in.kinematicViscosity), "m2/s");
  run.quantity("viscous correction", correctionText(in.correction));
  run.quantity("open-water model", in.seriesType == Series::Wageningen     ? "wageningen"
                                   : in.gawnModel == GawnModel::Regression ? "gawn-regression"
                                                                           : "gawn-legacy");
  if (in.enginePower) run.quantity("engine power", num(*in.enginePower), "kW");
  run.quantity("sea margin", num(in.seaMargin), "%");
  run.quantity("light-running margin asked", num(in.lightRunningMargin), "%");
  run.quantity("outcome", r.refused ? "refused" : "result");
  if (r.refused) run.quantity("reason", csvText(r.reason));

  std::vector<FileText> files;
  if (!r.refused) {
    const SelectedPropeller& c = *r.chosen;
    run.quantity("blades", std::to_string(c.blades));
    run.quantity("diameter", num(c.diameter), "m");
    run.quantity("pitch ratio", num(c.pitchRatio));
    run.quantity("area ratio", num(c.areaRatio));
    run.quantity("J", num(c.advanceRatio));
    run.quantity("Kt", num(c.kt));
    run.quantity("Kq", num(c.kq));
    run.quantity("eta0", num(c.eta0));
    run.quantity("etaD", num(c.etaD));
    run.quantity("rpm", num(c.rpm), "rpm");
    run.quantity("ship speed reached", c.shipSpeed > 0.0f ? num(c.shipSpeed) : "", "kn");
    run.quantity("thrust", num(c.thrust), "kN");
    run.quantity("delivered power", num(c.deliveredPower), "kW");
    run.quantity("brake power", num(c.brakePower), "kW");
    if (r.engine) {
      run.quantity("speed at MCR calm water", num(r.engine->trialSpeed), "kn");
      run.quantity("speed at MCR in service", num(r.engine->serviceSpeed), "kn");
      run.quantity("light-running margin", num(r.engine->lightRunningMargin), "%");
      run.quantity("gear ratio", num(r.engine->gearRatio));
    }
    Csv table;
    table.head({"Z", "D [m]", "P/D", "EAR", "J", "Kt", "Kq", "eta0", "etaD", "rpm", "PD [kW]",
                "PB [kW]", "sigma 0.7R", "tau_c", "tau allowed", "minimum EAR", "tip speed [m/s]",
                "limits", "chosen"});
    for (const SelectedPropeller& s : r.perBlades) {
      if (s.diameter <= 0.0f) continue;
      const bool chosen = s.blades == c.blades;
      table.row({std::to_string(s.blades), num(s.diameter), num(s.pitchRatio), num(s.areaRatio),
                 num(s.advanceRatio), num(s.kt), num(s.kq), num(s.eta0), num(s.etaD), num(s.rpm),
                 num(s.deliveredPower), num(s.brakePower), num(s.sigma07), num(s.tauC),
                 num(s.tauAllowed), num(s.minimumAreaRatio), num(s.tipSpeed), limitsText(s.active),
                 chosen ? "1" : "0"});
    }
    files.push_back({"selection.csv", table.text});
    run.quantity("rows in selection.csv", std::to_string(table.rows));
    if (!r.speedPower.empty()) {
      Csv curve;
      curve.head({"V [kn]", "R [kN]", "T [kN]", "J", "rpm", "PD [kW]", "PB [kW]"});
      for (const SpeedPowerPoint& p : r.speedPower)
        curve.row({num(p.shipSpeed), num(p.resistance), num(p.thrust), num(p.advanceRatio),
                   num(p.rpm), num(p.deliveredPower), num(p.brakePower)});
      files.push_back({"speed_power.csv", curve.text});
      run.quantity("rows in speed_power.csv", std::to_string(curve.rows));
    }
    if (!sweep.empty()) {
      Csv s;
      s.head({"Z", "EAR", "eta0", "admitted"});
      for (const AreaRatioPoint& a : sweep)
        s.row({std::to_string(a.blades), num(a.areaRatio), num(a.eta0), a.admitted ? "1" : "0"});
      files.push_back({"area_ratio_sweep.csv", s.text});
      run.quantity("rows in area_ratio_sweep.csv", std::to_string(s.rows));
    }
  }
  for (const std::string& w : r.warnings) run.quantity("warning", csvText(w));
  files.push_back({"run.csv", run.text});
  return files;
}

std::optional<std::string> writeCsv(const std::string& dir, const SelectionInputs& in,
                                    const SelectionResult& r,
                                    const std::vector<AreaRatioPoint>& sweep) {
  if (auto why = prepareCsvDirectory(dir)) return why;
  // The tables and run.csv last, put in force together.
  const std::vector<FileText> files = csvFiles(in, r, sweep);
  if (auto failed = putFileSetInPlace(dir, files)) return failed->name + ": " + failed->why;
  return std::nullopt;
}

}  // namespace helisolv::selection
