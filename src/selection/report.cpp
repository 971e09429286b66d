// The report keeps the layout style of the program's other reports: a title,
// blocks of labelled values and tables between rules of dashes, each line
// written once to the console and once to the result file. Its layouts and
// texts are Turkish; the writer puts their catalogue twins in their place in
// a run in another language.
#include "selection/report.hpp"

#include <string>

#include "io/writer.hpp"
#include "selection/csv.hpp"

namespace helisolv::selection {

namespace {

// A line of text as one record: free-format writes wrap at the console's
// width, and the tables are wider than that. The writer looks the text up in
// the catalogue; a symbol without a twin prints as it is.
void line(Session& io, std::string_view text) {
  report(io, "(1X,A)", {text});
}

constexpr std::string_view kRule =
    "-------------------------------------------------------------------------------------------"
    "------------------------------------";

void rule(Session& io) {
  line(io, kRule);
}

// The free texts of the report, each printed through the catalogue.
struct Names {
  std::string_view wageningen, gawn;
  std::string_view legacyCorrection, ittc78, reynolds, noCorrection;
  std::string_view burrill25, burrill5, burrillUpper;
  std::string_view diameter, revolutions, pitchRatio, areaRatio, fromCriterion;
};
constexpr Names kNames{"Wageningen B serisi",
                       "Gawn serisi",
                       "programin kendi ITTC78 duzeltmesi",
                       "yayimlanmis ITTC-78 duzeltmesi",
                       "B serisi Reynolds sayisi duzeltmesi",
                       "yok (model deney katsayilari)",
                       "Burrill, %2.5 sirt kavitasyonu",
                       "Burrill, %5 sirt kavitasyonu",
                       "Burrill, onerilen ust sinir",
                       "Cap               ",
                       "Devir             ",
                       "Hatve orani P/D   ",
                       "Acinim orani EAR  ",
                       "kriterden"};

struct Lines {
  std::string_view perBlades, perBladesTitles, legend1, legend2, legend3;
  std::string_view chosen, speedPower, engine, refused;
};
constexpr Lines kLines{
    "Her kanat sayisinin en iyi pervanesi",
    " Z    D(m)    P/D    EAR      J      Kt    10Kq    eta0    etaD      rpm       PD(kW)      "
    " PB(kW) sig0.7R   tau_c tau_al   Vtip  sinirlar",
    "sinirlar: D cap aralik ucunda (yukaridaki aciklik), EAR acinim orani kavitasyon",
    "en azinda, rpm devir aralik ucunda, tip uc hizi sinirinda,",
    "P/D hatve orani taranan araligin kenarinda; tau_al Burrill cizgisinin izin verdigi yuk",
    "Secilen pervane (en yuksek eta0 etaR)",
    "Secilen pervanenin sakin sudaki hiz-guc egrisi (pervane basina)",
    "Makine",
    "PERVANE SECILEMEDI"};

std::string_view seriesName(Series series) {
  return series == Series::Gawn ? kNames.gawn : kNames.wageningen;
}

std::string_view correctionName(SelectionCorrection c) {
  switch (c) {
    case SelectionCorrection::Legacy:
      return kNames.legacyCorrection;
    case SelectionCorrection::Ittc78:
      return kNames.ittc78;
    case SelectionCorrection::Reynolds:
      return kNames.reynolds;
    case SelectionCorrection::None:
      break;
  }
  return kNames.noCorrection;
}

// Keller is a name, the same in every language.
std::string_view criterionName(CavitationCriterion c) {
  switch (c) {
    case CavitationCriterion::Burrill25:
      return kNames.burrill25;
    case CavitationCriterion::Burrill5:
      return kNames.burrill5;
    case CavitationCriterion::BurrillUpper:
      return kNames.burrillUpper;
    case CavitationCriterion::Keller:
      return "Keller";
    case CavitationCriterion::None:
      break;
  }
  return "-";
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
    report(io, "(1X,A,' : ',A)", {std::string_view(name), kNames.fromCriterion});
  } else if (b->fixed()) {
    report(io, "(1X,A,' : ',F9.3,1X,A,' (sabit)')",
           {std::string_view(name), b->low, std::string_view(u)});
  } else {
    report(io, "(1X,A,' : ',F9.3,' ile ',F9.3,1X,A,' arasi (serbest)')",
           {std::string_view(name), b->low, b->high, std::string_view(u)});
  }
}

}  // namespace

void reportTitle(Session& io, const SelectionInputs& in) {
  reportFree(io);
  report(io, "(1X,'PERVANE SECIMI - ',A)", {seriesName(in.seriesType)});
  rule(io);
}

void reportDuty(Session& io, const SelectionInputs& in) {
  if (in.thrust && in.advanceSpeed) {
    report(io, "(1X,'Gorev              : itme ',F10.2,' kN pervane basina, Va ',F7.3,' m/s')",
           {*in.thrust, *in.advanceSpeed});
  } else if (in.shipSpeed) {
    if (in.resistance)
      report(io, "(1X,'Gorev              : gemi hizi ',F7.2,' kn, direnc ',F10.2,' kN')",
             {*in.shipSpeed, *in.resistance});
    else
      report(io, "(1X,'Gorev              : gemi hizi ',F7.2,' kn, direnc egriden')",
             {*in.shipSpeed});
  } else if (in.deliveredPower) {
    report(io, "(1X,'Gorev              : verilen guc ',F10.1,' kW pervane basina')",
           {*in.deliveredPower});
  }
  report(io, "(1X,'Pervane sayisi     : ',I2,'   iz katsayisi ',F6.3,'   itme azalmasi ',F6.3)",
         {in.propellers, in.wakeFraction, in.thrustDeduction});
  report(
      io,
      "(1X,'Su                 : yogunluk ',F8.2,' kg/m3, kinematik viskozite ',F9.5,' 1e-6 m2/s')",
      {in.density, in.kinematicViscosity * 1.0e6f});
  report(io, "(1X,'Duzeltme           : ',A)", {correctionName(in.correction)});
  report(io, "(1X,'Verimler           : bagil donme ',F6.3,'   saft ',F6.3)",
         {in.relativeRotativeEfficiency, in.shaftEfficiency});
}

void reportFreeVariables(Session& io, const SelectionInputs& in) {
  boundsLine(io, kNames.diameter, in.diameter, "m");
  if (!in.rpm && in.engineRpm && in.gearRatio)
    report(io, "(1X,'Devir              : ',F9.3,' rpm (makine ',F8.2,' rpm, disli ',F7.4,')')",
           {*in.engineRpm / *in.gearRatio, *in.engineRpm, *in.gearRatio});
  else
    boundsLine(io, kNames.revolutions, in.rpm, "rpm");
  if (in.pitchRatio) boundsLine(io, kNames.pitchRatio, in.pitchRatio, "");
  if (in.areaRatio) boundsLine(io, kNames.areaRatio, in.areaRatio, "");
  if (in.cavitation != CavitationCriterion::None) {
    report(io, "(1X,'Kavitasyon         : ',A,', pay ',F6.3,', saft derinligi ',F7.3,' m')",
           {criterionName(in.cavitation), in.cavitationMargin, in.shaftDepth});
  }
  if (in.tipSpeedMax) report(io, "(1X,'Uc hizi siniri     : ',F7.2,' m/s')", {*in.tipSpeedMax});
  rule(io);
}

void reportPerBlades(Session& io, const SelectionResult& r) {
  line(io, kLines.perBlades);
  rule(io);
  line(io, kLines.perBladesTitles);
  rule(io);
  for (size_t i = 0; i < r.perBlades.size(); ++i) {
    const SelectedPropeller& s = r.perBlades[i];
    if (s.diameter <= 0.0f) {
      const std::string note = i < r.perBladesNote.size() ? r.perBladesNote[i] : std::string();
      report(io, "(1X,I2,2X,'yok: ',A)", {s.blades, std::string_view(note)});
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
  line(io, kLines.legend1);
  line(io, kLines.legend2);
  line(io, kLines.legend3);
}

void reportChosen(Session& io, const SelectedPropeller& s) {
  reportFree(io);
  line(io, kLines.chosen);
  rule(io);
  report(io, "(1X,'Kanat sayisi Z = ',I2,'          Cap D          = ',F8.3,' m')",
         {s.blades, s.diameter});
  report(io, "(1X,'Hatve P/D      = ',F7.4,'     Acinim EAR     = ',F8.4)",
         {s.pitchRatio, s.areaRatio});
  report(io, "(1X,'J              = ',F7.4,'     Devir          = ',F8.2,' rpm')",
         {s.advanceRatio, s.rpm});
  report(io, "(1X,'Kt             = ',F7.4,'     10Kq           = ',F8.4)", {s.kt, 10.0f * s.kq});
  report(io, "(1X,'eta0           = ',F7.4,'     etaD           = ',F8.4)", {s.eta0, s.etaD});
  report(io, "(1X,'Itme T         = ',F10.2,' kN  Va            = ',F8.3,' m/s')",
         {s.thrust, s.advanceSpeed});
  report(io, "(1X,'Verilen guc PD = ',F10.1,' kW  Fren gucu PB  = ',F10.1,' kW')",
         {s.deliveredPower, s.brakePower});
  if (s.minimumAreaRatio)
    report(io,
           "(1X,'Sigma 0.7R     = ',F7.3,'     En az EAR      = ',F8.4,'   Vtip = ',F6.2,' m/s')",
           {s.sigma07, *s.minimumAreaRatio, s.tipSpeed});
  else
    report(io, "(1X,'Sigma 0.7R     = ',F7.3,'     Vtip           = ',F8.2,' m/s')",
           {s.sigma07, s.tipSpeed});
  rule(io);
}

void reportSpeedPower(Session& io, const SelectionResult& r) {
  if (r.speedPower.empty()) return;
  reportFree(io);
  line(io, kLines.speedPower);
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
  line(io, kLines.engine);
  rule(io);
  report(io, "(1X,'MCR                      = ',F10.1,' kW   deniz payi ',F5.1,' %')",
         {e.mcr, in.seaMargin});
  auto speedLine = [&](std::string_view layout, std::string_view none,
                       const std::optional<float>& v, const std::optional<float>& n) {
    if (v && n)
      report(io, layout, {*v, *n});
    else
      report(io, none);
  };
  speedLine("(1X,'MCR hizi, sakin suda     = ',F10.2,' kn   devir ',F8.2,' rpm')",
            "(1X,'MCR hizi, sakin suda     :  direnc egrisinin disinda')", e.trialSpeed,
            e.trialRpm);
  speedLine("(1X,'MCR hizi, hizmette       = ',F10.2,' kn   devir ',F8.2,' rpm')",
            "(1X,'MCR hizi, hizmette       :  direnc egrisinin disinda')", e.serviceSpeed,
            e.serviceRpm);
  if (e.lightRunningMargin)
    report(io, "(1X,'Hafif donme payi         = ',F10.2,' %    istenen ',F5.1,' %')",
           {*e.lightRunningMargin, in.lightRunningMargin});
  if (e.engineRpm && e.gearRatio)
    report(io, "(1X,'Disli orani              = ',F10.4,'      pervanede makine anma devri ',F8.2)",
           {*e.gearRatio, *e.engineRpm});
  rule(io);
}

void reportRefusal(Session& io, const std::string& reason) {
  reportFree(io);
  line(io, kLines.refused);
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
