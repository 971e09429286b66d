// The report keeps the layout style of the program's other reports: a title,
// blocks of labelled values and tables between rules of dashes, each line
// written once to the console and once to the result file.
#include "selection/report.hpp"

#include <string>

#include "io/writer.hpp"
#include "selection/csv.hpp"

namespace helisolv::selection {

namespace {

// A line of text as one record: free-format writes wrap at the console's
// width, and the tables are wider than that.
void line(Session& io, std::string_view text) {
  report(io, "(1X,A)", {text});
}

constexpr std::string_view kRule =
    "-------------------------------------------------------------------------------------------"
    "------------------------------------";

void rule(Session& io) {
  line(io, kRule);
}

const char* seriesName(int series) {
  return series == 2 ? "Gawn series" : "Wageningen B-series";
}

const char* correctionName(SelectionCorrection c) {
  switch (c) {
    case SelectionCorrection::Legacy:
      return "the program's own ITTC78 correction";
    case SelectionCorrection::Ittc78:
      return "the published ITTC-78 correction";
    case SelectionCorrection::Reynolds:
      return "the B-series Reynolds-number correction";
    case SelectionCorrection::None:
      break;
  }
  return "none (model-test coefficients)";
}

const char* criterionName(CavitationCriterion c) {
  switch (c) {
    case CavitationCriterion::Burrill25:
      return "Burrill, 2.5% back cavitation";
    case CavitationCriterion::Burrill5:
      return "Burrill, 5% back cavitation";
    case CavitationCriterion::BurrillUpper:
      return "Burrill, recommended upper limit";
    case CavitationCriterion::Keller:
      return "Keller";
    case CavitationCriterion::None:
      break;
  }
  return "none";
}

std::string limits(const ActiveConstraints& a) {
  std::string s;
  auto add = [&](const char* t) {
    if (!s.empty()) s += ",";
    s += t;
  };
  if (a.diameterAtLimit) add("D");
  if (a.areaRatioAtMinimum) add("EAR");
  if (a.rpmAtLimit) add("rpm");
  if (a.tipSpeedAtLimit) add("tip");
  if (a.pitchAtSeriesEdge) add("P/D");
  return s.empty() ? "-" : s;
}

void boundsLine(Session& io, std::string_view label, const std::optional<Bounds>& b,
                std::string_view unit) {
  const std::string name = std::string(label);
  const std::string u = std::string(unit);
  if (!b) {
    report(io, "(1X,A,' : ',A)", {std::string_view(name), std::string_view("from the criterion")});
  } else if (b->fixed()) {
    report(io, "(1X,A,' : ',F9.3,1X,A,' (fixed)')",
           {std::string_view(name), b->low, std::string_view(u)});
  } else {
    report(io, "(1X,A,' : ',F9.3,' to ',F9.3,1X,A,' (free)')",
           {std::string_view(name), b->low, b->high, std::string_view(u)});
  }
}

}  // namespace

void reportTitle(Session& io, const SelectionInputs& in) {
  reportFree(io);
  report(io, "(1X,'PROPELLER SELECTION - ',A)", {std::string_view(seriesName(in.seriesType))});
  rule(io);
}

void reportDuty(Session& io, const SelectionInputs& in) {
  if (in.thrust && in.advanceSpeed) {
    report(io, "(1X,'Duty               : thrust ',F10.2,' kN per propeller at Va ',F7.3,' m/s')",
           {*in.thrust, *in.advanceSpeed});
  } else if (in.shipSpeed) {
    if (in.resistance)
      report(io, "(1X,'Duty               : ship speed ',F7.2,' kn, resistance ',F10.2,' kN')",
             {*in.shipSpeed, *in.resistance});
    else
      report(io, "(1X,'Duty               : ship speed ',F7.2,' kn, resistance from the curve')",
             {*in.shipSpeed});
  } else if (in.deliveredPower) {
    report(io, "(1X,'Duty               : delivered power ',F10.1,' kW per propeller')",
           {*in.deliveredPower});
  }
  report(io, "(1X,'Propellers         : ',I2,'   wake fraction ',F6.3,'   thrust deduction ',F6.3)",
         {in.propellers, in.wakeFraction, in.thrustDeduction});
  report(
      io,
      "(1X,'Water              : density ',F8.2,' kg/m3, kinematic viscosity ',F9.5,' 1e-6 m2/s')",
      {in.density, in.kinematicViscosity * 1.0e6f});
  report(io, "(1X,'Correction         : ',A)", {std::string_view(correctionName(in.correction))});
  report(io, "(1X,'Efficiencies       : relative rotative ',F6.3,'   shaft ',F6.3)",
         {in.relativeRotativeEfficiency, in.shaftEfficiency});
}

void reportFreeVariables(Session& io, const SelectionInputs& in) {
  boundsLine(io, "Diameter          ", in.diameter, "m");
  if (!in.rpm && in.engineRpm && in.gearRatio)
    report(io, "(1X,'Revolutions        : ',F9.3,' rpm (engine ',F8.2,' rpm, gear ',F7.4,')')",
           {*in.engineRpm / *in.gearRatio, *in.engineRpm, *in.gearRatio});
  else
    boundsLine(io, "Revolutions       ", in.rpm, "rpm");
  if (in.pitchRatio) boundsLine(io, "Pitch ratio       ", in.pitchRatio, "");
  if (in.areaRatio) boundsLine(io, "Area ratio        ", in.areaRatio, "");
  if (in.cavitation != CavitationCriterion::None) {
    report(io, "(1X,'Cavitation         : ',A,', margin ',F6.3,', shaft depth ',F7.3,' m')",
           {std::string_view(criterionName(in.cavitation)), in.cavitationMargin, in.shaftDepth});
  }
  if (in.tipSpeedMax) report(io, "(1X,'Tip speed limit    : ',F7.2,' m/s')", {*in.tipSpeedMax});
  rule(io);
}

void reportPerBlades(Session& io, const SelectionResult& r) {
  line(io, "The best propeller of each blade number");
  rule(io);
  line(io,
       " Z    D(m)    P/D    EAR      J      Kt    10Kq    eta0    etaD      rpm       PD(kW)      "
       " PB(kW) sig0.7R   tau_c tau_al   Vtip  limits");
  rule(io);
  for (size_t i = 0; i < r.perBlades.size(); ++i) {
    const SelectedPropeller& s = r.perBlades[i];
    if (s.diameter <= 0.0f) {
      const std::string note = i < r.perBladesNote.size() ? r.perBladesNote[i] : std::string();
      report(io, "(1X,I2,2X,'none: ',A)", {s.blades, std::string_view(note)});
      continue;
    }
    const std::string active = limits(s.active);
    if (s.tauAllowed)
      report(io, "(1X,I2,F8.3,3F7.3,F8.4,F8.4,2F8.4,F9.2,2F13.1,F8.3,F8.3,F7.3,F7.2,2X,A)",
             {s.blades, s.diameter, s.pitchRatio, s.areaRatio, s.advanceRatio, s.kt, 10.0f * s.kq,
              s.eta0, s.etaD, s.rpm, s.deliveredPower, s.brakePower, s.sigma07, s.tauC,
              *s.tauAllowed, s.tipSpeed, std::string_view(active)});
    else
      report(io, "(1X,I2,F8.3,3F7.3,F8.4,F8.4,2F8.4,F9.2,2F13.1,F8.3,F8.3,'      -',F7.2,2X,A)",
             {s.blades, s.diameter, s.pitchRatio, s.areaRatio, s.advanceRatio, s.kt, 10.0f * s.kq,
              s.eta0, s.etaD, s.rpm, s.deliveredPower, s.brakePower, s.sigma07, s.tauC, s.tipSpeed,
              std::string_view(active)});
  }
  rule(io);
  line(io, "limits: D diameter at an end of its range (the aperture above), EAR area ratio at the");
  line(io,
       "cavitation minimum, rpm revolutions at an end of their range, tip the tip-speed limit,");
  line(io,
       "P/D pitch ratio at the edge of the range searched; tau_al the loading that Burrill's "
       "line allows");
}

void reportChosen(Session& io, const SelectedPropeller& s) {
  reportFree(io);
  line(io, "The chosen propeller (the highest eta0 etaR)");
  rule(io);
  report(io, "(1X,'Blades Z     = ',I2,'          Diameter D   = ',F8.3,' m')",
         {s.blades, s.diameter});
  report(io, "(1X,'Pitch P/D    = ',F7.4,'     Area EAR     = ',F8.4)",
         {s.pitchRatio, s.areaRatio});
  report(io, "(1X,'J            = ',F7.4,'     Revolutions  = ',F8.2,' rpm')",
         {s.advanceRatio, s.rpm});
  report(io, "(1X,'Kt           = ',F7.4,'     10Kq         = ',F8.4)", {s.kt, 10.0f * s.kq});
  report(io, "(1X,'eta0         = ',F7.4,'     etaD         = ',F8.4)", {s.eta0, s.etaD});
  report(io, "(1X,'Thrust T     = ',F10.2,' kN  Va          = ',F8.3,' m/s')",
         {s.thrust, s.advanceSpeed});
  report(io, "(1X,'Delivered PD = ',F10.1,' kW  Brake PB    = ',F10.1,' kW')",
         {s.deliveredPower, s.brakePower});
  if (s.minimumAreaRatio)
    report(io, "(1X,'Sigma 0.7R   = ',F7.3,'     Min. EAR     = ',F8.4,'   Vtip = ',F6.2,' m/s')",
           {s.sigma07, *s.minimumAreaRatio, s.tipSpeed});
  else
    report(io, "(1X,'Sigma 0.7R   = ',F7.3,'     Vtip         = ',F8.2,' m/s')",
           {s.sigma07, s.tipSpeed});
  rule(io);
}

void reportSpeedPower(Session& io, const SelectionResult& r) {
  if (r.speedPower.empty()) return;
  reportFree(io);
  line(io, "Speed-power curve of the chosen propeller in calm water (per propeller)");
  rule(io);
  line(io, "  V(kn)      R(kN)      T(kN)        J       rpm       PD(kW)       PB(kW)");
  rule(io);
  for (const SpeedPowerPoint& p : r.speedPower)
    report(io, "(1X,F7.2,2F11.2,F9.4,F10.2,2F13.1)",
           {p.shipSpeed, p.resistance, p.thrust, p.advanceRatio, p.rpm, p.deliveredPower,
            p.brakePower});
  rule(io);
}

void reportEngine(Session& io, const SelectionInputs& in, const EngineMatch& e) {
  reportFree(io);
  line(io, "The engine");
  rule(io);
  report(io, "(1X,'MCR                      = ',F10.1,' kW   sea margin ',F5.1,' %')",
         {e.mcr, in.seaMargin});
  auto speedLine = [&](std::string_view layout, std::string_view none,
                       const std::optional<float>& v, const std::optional<float>& n) {
    if (v && n)
      report(io, layout, {*v, *n});
    else
      report(io, none);
  };
  speedLine("(1X,'Speed at MCR, calm water = ',F10.2,' kn   at ',F8.2,' rpm')",
            "(1X,'Speed at MCR, calm water :  beyond the resistance curve')", e.trialSpeed,
            e.trialRpm);
  speedLine("(1X,'Speed at MCR, in service = ',F10.2,' kn   at ',F8.2,' rpm')",
            "(1X,'Speed at MCR, in service :  beyond the resistance curve')", e.serviceSpeed,
            e.serviceRpm);
  if (e.lightRunningMargin)
    report(io, "(1X,'Light-running margin     = ',F10.2,' %    asked for ',F5.1,' %')",
           {*e.lightRunningMargin, in.lightRunningMargin});
  if (e.engineRpm && e.gearRatio)
    report(
        io,
        "(1X,'Gear ratio               = ',F10.4,'      engine rated rpm at the propeller ',F8.2)",
        {*e.gearRatio, *e.engineRpm});
  rule(io);
}

void reportRefusal(Session& io, const std::string& reason) {
  reportFree(io);
  line(io, "NO PROPELLER SELECTED");
  report(io, "(1X,A)", {std::string_view(reason)});
}

void reportSelection(Session& io, const SelectionInputs& in, const SelectionResult& r) {
  reportTitle(io, in);
  reportDuty(io, in);
  reportFreeVariables(io, in);
  if (r.refused) {
    reportRefusal(io, r.reason);
    return;
  }
  reportPerBlades(io, r);
  reportChosen(io, *r.chosen);
  reportSpeedPower(io, r);
  if (r.engine) reportEngine(io, in, *r.engine);
}

}  // namespace helisolv::selection

namespace helisolv {

int runSelection(Session& io, const SelectionInputs& inputs,
                 const std::optional<std::string>& csvDir) {
  const SelectionResult r = select(inputs);
  selection::reportSelection(io, inputs, r);
  for (const std::string& w : r.warnings) warn(io, w, w);
  showWarnings(io);
  if (csvDir) {
    const std::vector<AreaRatioPoint> sweep = areaRatioSweep(inputs, r);
    if (const auto why = selection::writeCsv(*csvDir, inputs, r, sweep)) {
      if (io.ch.errors) *io.ch.errors << "helisolv: cannot write the CSV files: " << *why << "\n";
      return 1;
    }
  }
  return r.refused ? 3 : 0;
}

}  // namespace helisolv
