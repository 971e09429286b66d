// The selection's chosen propellers against the program's own problem types:
// an operating-point run at the chosen D, rpm and speed of advance gives the
// selection's thrust, and a pitch-for-thrust run gives its pitch ratio; each
// mode, criterion, limit and refusal once; the keyword reading and the report
// head. The bundled selections' reports are recorded (tests/selection, run by
// test_task_file) and so are their CSV tables (tests/csv).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>

#include "helisolv/run.hpp"
#include "helisolv/selection.hpp"
#include "selection/cavitation.hpp"
#include "selection/report.hpp"
#include "selection/search.hpp"
#include "selection/toml_inputs.hpp"
#include "taskfile/units.hpp"

namespace helisolv {
namespace {

float resultValue(const RunResult& r, const std::string& name) {
  for (const RunQuantity& q : r.results)
    if (q.name == name) return std::stof(q.value);
  ADD_FAILURE() << "no result " << name << " in run of status " << static_cast<int>(r.exitStatus)
                << "\n"
                << r.console;
  return NAN;
}

// The chosen propeller as a task of the problem types (its pitch ratio for
// type 6, its thrust and the shaft depth for type 8).
Task taskOf(const SelectionInputs& in, const SelectedPropeller& s) {
  return {.seriesType = in.seriesType,
          .problemType = 6,
          .thrust = s.thrust,
          .diameter = s.diameter,
          .advanceSpeed = s.advanceSpeed,
          .rho = in.density,
          .bladeCount = static_cast<float>(s.blades),
          .areaRatio = s.areaRatio,
          .rpm = s.rpm,
          .pitchRatio = s.pitchRatio,
          .shaftDepth = in.shaftDepth};
}

// Runs the chosen propeller as types 6 and 8 and compares.
void expectConsistent(const SelectionInputs& in, const SelectedPropeller& s) {
  Task t = taskOf(in, s);
  RunOptions options;
  if (in.correction != SelectionCorrection::None) {
    t.viscousFlag = 1;
    options.models.viscousCorrection =
        in.correction == SelectionCorrection::Reynolds ? ViscousCorrection::Reynolds
        : in.correction == SelectionCorrection::Ittc78 ? ViscousCorrection::Ittc78
                                                       : ViscousCorrection::Legacy;
  }
  options.models.gawnModel = in.gawnModel;
  const RunResult six = run(t, "\n\n\n\n\n\n", options);
  ASSERT_EQ(static_cast<int>(six.exitStatus), 0) << six.console;
  EXPECT_NEAR(resultValue(six, "thrust"), s.thrust, 0.001f * s.thrust) << "Z " << s.blades;
  t.problemType = 8;
  const RunResult eight = run(t, std::string(40, '\n'), options);
  ASSERT_EQ(static_cast<int>(eight.exitStatus), 0) << eight.console;
  EXPECT_NEAR(resultValue(eight, "pitch ratio"), s.pitchRatio, 0.001f) << "Z " << s.blades;
}

SelectionInputs cargoShipDuty() {
  SelectionInputs in;
  in.thrust = 420.0f;
  in.advanceSpeed = 6.2f;
  in.density = 1025.0f;
  in.diameter = Bounds{3.5f, 4.6f};
  in.rpm = Bounds{120.0f, 120.0f};
  in.areaRatio = Bounds{0.75f, 0.75f};
  in.shaftDepth = 4.5f;
  return in;
}

// The blade-area checks of a pitch-for-thrust run at the propeller.
std::vector<float> bladeChecks(const SelectionInputs& in, const SelectedPropeller& s) {
  Task t = taskOf(in, s);
  t.problemType = 8;
  const RunResult r = run(t, std::string(40, '\n'));
  std::vector<float> out;
  for (const RunTable& table : r.tables)
    if (table.name == "blade_checks")
      for (const std::string& field : table.rows.at(0))
        out.push_back(field.empty() ? NAN : std::stof(field));
  return out;
}

SelectionInputs bothFree(CavitationCriterion criterion) {
  SelectionInputs in = cargoShipDuty();
  in.diameter = Bounds{3.0f, 5.5f};
  in.rpm = Bounds{90.0f, 160.0f};
  in.areaRatio.reset();
  in.cavitation = criterion;
  return in;
}

TEST(Selection, EveryChosenPropellerOfATableOfSelectionsAgreesWithTheProblemTypes) {
  std::vector<SelectionInputs> table;
  table.push_back(cargoShipDuty());  // diameter free, rpm fixed
  SelectionInputs rpmFree = cargoShipDuty();
  rpmFree.diameter = Bounds{4.6f, 4.6f};
  rpmFree.rpm = Bounds{80.0f, 200.0f};
  table.push_back(rpmFree);
  table.push_back(bothFree(CavitationCriterion::Burrill5));
  SelectionInputs reynolds = bothFree(CavitationCriterion::Keller);
  reynolds.correction = SelectionCorrection::Reynolds;
  reynolds.kinematicViscosity = 1.13902e-6f;  // the viscosity the problem types use
  table.push_back(reynolds);
  SelectionInputs gawn = rpmFree;
  gawn.seriesType = Series::Gawn;
  gawn.thrust = 60.0f;
  gawn.advanceSpeed = 9.0f;
  gawn.diameter = Bounds{1.8f, 1.8f};
  gawn.rpm = Bounds{300.0f, 700.0f};
  table.push_back(gawn);
  for (const SelectionInputs& in : table) {
    const SelectionResult r = select(in);
    ASSERT_FALSE(r.refused) << r.reason;
    ASSERT_TRUE(r.chosen);
    for (const SelectedPropeller& s : r.perBlades) expectConsistent(in, s);
  }
}

// The area ratio is searched from the lowest admitted one to the peak of
// eta0, taking eta0 to have one peak: no admitted area ratio of the series'
// range, each searched on its own, may give more than the chosen one does
// (beyond the search's tolerance). The cases: eta0 falling with the area
// ratio, rising where D and rpm are held at their bounds, and with the
// Reynolds-number correction.
TEST(Selection, NoAdmittedAreaRatioBeatsTheChosenOne) {
  std::vector<SelectionInputs> table;
  table.push_back(bothFree(CavitationCriterion::Burrill5));
  SelectionInputs reynolds = bothFree(CavitationCriterion::Keller);
  reynolds.correction = SelectionCorrection::Reynolds;
  table.push_back(reynolds);
  SelectionInputs rpmFixed = cargoShipDuty();
  rpmFixed.areaRatio.reset();
  rpmFixed.cavitation = CavitationCriterion::Burrill25;
  table.push_back(rpmFixed);
  for (const SelectionInputs& in : table) {
    const selection::Checked checked = selection::checkInputs(in);
    ASSERT_TRUE(checked.problem) << checked.reason;
    const selection::Problem& p = *checked.problem;
    const selection::Duty duty{*in.thrust * 1000.0f, *in.advanceSpeed, 0.0f};
    const SelectionResult r = select(in);
    ASSERT_FALSE(r.refused) << r.reason;
    for (const SelectedPropeller& s : r.perBlades) {
      if (s.diameter <= 0.0f) continue;
      for (float ear = p.earMin; ear <= p.earMax; ear += 0.01f) {
        const auto c = selection::bestAtAreaRatio(p, s.blades, ear, duty);
        if (c && selection::admitted(p, *c)) {
          EXPECT_LE(c->eta0, s.eta0 + 2e-5f)
              << "Z " << s.blades << " area ratio " << ear << " chosen " << s.areaRatio;
        }
      }
    }
  }
}

TEST(Selection, EachCriterionHoldsAtTheChosenPropellerByTheProgramsOwnCheck) {
  // Columns of blade_checks: EAR, sigma, tau_c, the minima of the 2.5 % line,
  // the 5 % line and the upper limit, Keller's minimum plus 0, 0.2, 0, 0.1.
  const std::pair<CavitationCriterion, size_t> criteria[] = {{CavitationCriterion::Burrill25, 3},
                                                             {CavitationCriterion::Burrill5, 4},
                                                             {CavitationCriterion::BurrillUpper, 5},
                                                             {CavitationCriterion::Keller, 7}};
  for (const auto& [criterion, column] : criteria) {
    SelectionInputs in = bothFree(criterion);
    in.cavitationMargin = 1.1f;
    const SelectionResult r = select(in);
    ASSERT_FALSE(r.refused) << r.reason;
    const SelectedPropeller& s = *r.chosen;
    const std::vector<float> checks = bladeChecks(in, s);
    ASSERT_GT(checks.size(), column);
    EXPECT_NEAR(checks[1], s.sigma07, 0.001f * s.sigma07);
    EXPECT_NEAR(checks[column], *s.minimumAreaRatio, 0.002f * checks[column]) << column;
    EXPECT_GE(s.areaRatio, 1.1f * checks[column] * 0.998f) << column;
  }
}

TEST(Selection, EachModeMeetsItsDuty) {
  SelectionInputs ship;
  ship.shipSpeed = 13.0f;
  ship.wakeFraction = 0.3f;
  ship.thrustDeduction = 0.2f;
  ship.resistanceCurve = {{10.0f, 300.0f}, {12.0f, 450.0f}, {14.0f, 650.0f}};
  ship.diameter = Bounds{5.0f, 6.5f};
  ship.rpm = Bounds{100.0f, 100.0f};
  ship.cavitation = CavitationCriterion::Keller;
  ship.shaftDepth = 5.0f;
  const SelectionResult byShip = select(ship);
  ASSERT_FALSE(byShip.refused) << byShip.reason;
  // The resistance at 13 kn between 450 kN at 12 and 650 kN at 14, shared by
  // one propeller with t = 0.2, at Va = 13 kn (1 - 0.3).
  EXPECT_NEAR(byShip.chosen->advanceSpeed, 13.0f * 0.5144f * 0.7f, 1e-4f);
  EXPECT_GT(byShip.chosen->thrust, 450.0f / 0.8f);
  EXPECT_LT(byShip.chosen->thrust, 650.0f / 0.8f);

  SelectionInputs power = ship;
  power.shipSpeed.reset();
  power.deliveredPower = 0.9f * byShip.chosen->deliveredPower;
  const SelectionResult byPower = select(power);
  ASSERT_FALSE(byPower.refused) << byPower.reason;
  EXPECT_NEAR(byPower.chosen->deliveredPower, *power.deliveredPower,
              0.001f * *power.deliveredPower);
  EXPECT_LT(byPower.chosen->shipSpeed, 13.0f);
  EXPECT_GT(byPower.chosen->shipSpeed, 12.0f);
  for (const SelectedPropeller& s : byPower.perBlades) expectConsistent(power, s);
}

// Each limit holds a design at its value, flags it and says so once: the
// aperture and the criterion's minimum area ratio, the lower rpm limit (a
// large diameter wants to turn slowly), the tip-speed limit, and a chosen
// pitch ratio at either end of the range searched (but not inside it).
TEST(Selection, EachLimitHoldsADesignAndSaysSo) {
  SelectionInputs slow = bothFree(CavitationCriterion::Burrill5);
  slow.rpm = Bounds{110.0f, 160.0f};
  SelectionInputs tip = cargoShipDuty();
  tip.diameter = Bounds{4.6f, 4.6f};
  tip.rpm = Bounds{80.0f, 200.0f};
  tip.tipSpeedMax = 26.0f;
  const auto pitchRange = [](Bounds pitch) {
    SelectionInputs in = cargoShipDuty();
    in.pitchRatio = pitch;
    in.diameter = Bounds{3.5f, 6.0f};
    in.blades = {4};
    return in;
  };
  using Got = float SelectedPropeller::*;
  const struct {
    SelectionInputs in;
    bool ActiveConstraints::*flag;
    Got figure;
    float value;
    const char* says;  // empty: not flagged
    bool threeBlades;  // judged at the three-bladed design, else at the chosen one
  } limits[] = {
      {bothFree(CavitationCriterion::Burrill5), &ActiveConstraints::diameterAtLimit,
       &SelectedPropeller::diameter, 5.5f, "Z = 3: the diameter is held at 5.500 m, the aperture",
       true},
      {bothFree(CavitationCriterion::Burrill5), &ActiveConstraints::areaRatioAtMinimum, nullptr,
       0.0f, "Z = 3: the area ratio is held at the cavitation criterion's minimum", true},
      {slow, &ActiveConstraints::rpmAtLimit, &SelectedPropeller::rpm, 110.0f,
       "the revolutions are held at 110.0 rpm", false},
      {tip, &ActiveConstraints::tipSpeedAtLimit, &SelectedPropeller::tipSpeed, 26.0f,
       "held by the tip-speed limit at 26.00 m/s", false},
      {pitchRange({0.5f, 0.8f}), &ActiveConstraints::pitchAtSeriesEdge,
       &SelectedPropeller::pitchRatio, 0.8f, "lies at the edge of the range searched", false},
      {pitchRange({1.2f, 1.4f}), &ActiveConstraints::pitchAtSeriesEdge,
       &SelectedPropeller::pitchRatio, 1.2f, "lies at the edge of the range searched", false},
      {pitchRange({0.5f, 1.4f}), &ActiveConstraints::pitchAtSeriesEdge, nullptr, 0.0f, "", false},
  };
  for (const auto& l : limits) {
    SCOPED_TRACE(*l.says ? l.says : "inside the pitch range");
    const SelectionResult r = select(l.in);
    ASSERT_FALSE(r.refused) << r.reason;
    const SelectedPropeller& s = l.threeBlades ? r.perBlades[0] : *r.chosen;
    EXPECT_EQ(s.active.*l.flag, *l.says != '\0');
    if (l.figure) {
      EXPECT_NEAR(s.*l.figure, l.value, 1e-4f * l.value);
    }
    const bool said = std::any_of(r.warnings.begin(), r.warnings.end(), [&](const auto& w) {
      return *l.says && w.find(l.says) != std::string::npos;
    });
    EXPECT_EQ(said, *l.says != '\0');
  }
}

TEST(Selection, TheReynoldsNumberCorrectionUsesTheGivenViscosity) {
  // The Reynolds number is c V / nu: a tenfold viscosity moves x = log10(Rn) by one.
  const Propeller b4{4.0f, 0.55f, 1.0f};
  ScaleCorrection water{1, ViscousCorrection::Reynolds, 4.0f, 6.0f, 200.0f};
  ScaleCorrection thick = water;
  thick.kinematicViscosity = 10.0f * water.kinematicViscosity;
  const OpenWaterPoint a = evaluateOpenWater({Series::Wageningen}, b4, 0.5f, water);
  const OpenWaterPoint b = evaluateOpenWater({Series::Wageningen}, b4, 0.5f, thick);
  EXPECT_LT(b.eta0, a.eta0);  // a lower Reynolds number, more friction
  // The selection's default sea water at 15 degC, not the problem types' viscosity.
  SelectionInputs in = bothFree(CavitationCriterion::Burrill5);
  in.correction = SelectionCorrection::Reynolds;
  const float seaWater = select(in).chosen->eta0;
  in.kinematicViscosity = 1.13902e-6f;
  EXPECT_GT(select(in).chosen->eta0, seaWater);
}

TEST(Selection, BadInputIsRefusedNamingTheInputOrTheLimit) {
  SelectionInputs none = cargoShipDuty(), heavy = cargoShipDuty(), small = cargoShipDuty(),
                  noDuty = cargoShipDuty(), wake = cargoShipDuty(), noArea = cargoShipDuty();
  none.diameter = heavy.diameter = Bounds{4.6f, 4.6f};
  heavy.rpm = Bounds{80.0f, 150.0f};
  heavy.thrust = 2000.0f;
  small.diameter = Bounds{2.0f, 2.5f};
  noDuty.thrust.reset();
  wake.wakeFraction = 1.0f;
  noArea.areaRatio.reset();
  const std::pair<const SelectionInputs*, const char*> refusals[] = {
      {&none, "nothing is free: give diameter or rpm as a range [low, high]"},
      {&heavy,
       "Z = 4: the thrust needs more than 150.0 rpm (the upper rpm limit) at diameter 4.600 m for "
       "every pitch ratio 0.50 to 1.40"},
      {&small, "a diameter above 2.500 m (the aperture) at 120.0 rpm"},
      {&noDuty, "thrust (kN) is missing beside advance_speed"},
      {&wake, "wake_fraction must lie from 0 up to (not including) 1"},
      {&noArea, "area_ratio is missing"},
  };
  for (const auto& [in, reason] : refusals) {
    const SelectionResult r = select(*in);
    EXPECT_TRUE(r.refused) << reason;
    EXPECT_NE(r.reason.find(reason), std::string::npos) << r.reason;
  }
}

// The standard atmosphere stands in for an atmospheric pressure not given,
// and no vapour pressure for one not given.
TEST(Selection, AnAmbientPressureNotGivenIsTheStandardOne) {
  SelectionInputs given = cargoShipDuty();
  given.atmosphericPressure = 101325.0f;
  given.vapourPressure = 0.0f;
  SelectionInputs vapourOnly = given, atmosphereOnly = given;
  vapourOnly.atmosphericPressure.reset();
  atmosphereOnly.vapourPressure.reset();
  auto figures = [](const SelectionInputs& in) {
    return selection::cavitationFigures(in, 4, 4.6f, 120.0f, 6.2f, 420.0f, 0.9f, 0.75f);
  };
  const selection::CavitationFigures want = figures(given);
  for (const SelectionInputs* in : {&vapourOnly, &atmosphereOnly}) {
    EXPECT_EQ(figures(*in).sigma, want.sigma);
    EXPECT_EQ(figures(*in).keller, want.keller);
  }
}

// A refusal prints its head in the run's language; the reason stays as the
// search words it.
TEST(Selection, RefusalHeadFollowsTheLanguage) {
  for (const Language language : {Language::Turkish, Language::English}) {
    std::ostringstream console, errors, result;
    Session io({nullptr, &console, &errors, &result, nullptr});
    io.language = language;
    selection::reportRefusal(io, "why");
    EXPECT_EQ(console.str(), language == Language::Turkish ? "\r\nPERVANE SECILEMEDI\r\nwhy"
                                                           : "\r\nNO PROPELLER SELECTED\r\nwhy");
  }
}

// The keyword reading names what it cannot read.
TEST(Selection, KeywordReadingNamesTheKey) {
  const std::pair<std::string_view, std::string> errors[] = {
      {"thrust = \"420 kN\"\nthrsut = 1\n", "unknown input 'thrsut' for problem \"selection\""},
      {"thrust = 420", "thrust needs its unit: write \"420 kN\" (kN, N, MN or tf)"},
      {"ship_speed = 14", "ship_speed needs its unit: write \"14 kn\""},
      {"thrust = \"420 kW\"",
       std::get<std::string>(units::parse("420 kW", units::Kind::Force, "thrust"))},
      {"diameter = [\"1 m\", \"2 m\", \"3 m\"]",
       "diameter must be a number or a range [low, high]"},
      {"cavitation = \"burril\"",
       "cavitation must be \"burrill-2.5\", \"burrill-5\", \"burrill-upper-limit\", \"keller\" or "
       "\"none\", not \"burril\""},
      {"blades = 4.5", "blades must be a whole number"},
      {"wake_fraction = 1e300", "wake_fraction must be a finite number"},
  };
  for (const auto& [text, error] : errors)
    EXPECT_EQ(selection::parseSelection(toml::parse(text)).error.substr(0, error.size()), error);
  // A ship speed is held in knots: from m/s converted once, in knots as written.
  auto shipSpeed = [](std::string_view text) {
    return *selection::parseSelection(toml::parse(text)).inputs->shipSpeed;
  };
  EXPECT_EQ(shipSpeed("ship_speed = \"5.144 m/s\""), 10.0f);
  EXPECT_EQ(shipSpeed("ship_speed = \"14.3 kn\""), 14.3f);
  // The module's plain numbers, in the unit the inputs name.
  EXPECT_EQ(*selection::parseSelection(toml::parse("thrust = 420"), true).inputs->thrust, 420.0f);
}

}  // namespace
}  // namespace helisolv
