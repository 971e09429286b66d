// The selection's chosen propellers against the program's own problem types:
// an operating-point run at the chosen D, rpm and speed of advance gives the
// selection's thrust, and a pitch-for-thrust run gives its pitch ratio; each
// mode, criterion, limit and refusal once.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "helisolv/run.hpp"
#include "helisolv/selection.hpp"
#include "selection/search.hpp"

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

// Runs the chosen propeller as types 6 and 8 and compares.
void expectConsistent(const SelectionInputs& in, const SelectedPropeller& s) {
  Task t;
  t.seriesType = in.seriesType;
  t.problemType = 6;
  t.pitchRatio = s.pitchRatio;
  t.bladeCount = static_cast<float>(s.blades);
  t.areaRatio = s.areaRatio;
  t.rho = in.density;
  t.diameter = s.diameter;
  t.rpm = s.rpm;
  t.advanceSpeed = s.advanceSpeed;
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
  t.thrust = s.thrust;
  t.shaftDepth = in.shaftDepth;
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
  Task t;
  t.seriesType = in.seriesType;
  t.problemType = 8;
  t.thrust = s.thrust;
  t.diameter = s.diameter;
  t.rpm = s.rpm;
  t.advanceSpeed = s.advanceSpeed;
  t.rho = in.density;
  t.bladeCount = static_cast<float>(s.blades);
  t.areaRatio = s.areaRatio;
  t.shaftDepth = in.shaftDepth;
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

TEST(Selection, EachLimitHoldsADesignOnceAndSaysSo) {
  auto warned = [](const SelectionResult& r, const std::string& text) {
    for (const std::string& w : r.warnings)
      if (w.find(text) != std::string::npos) return true;
    return false;
  };
  // The aperture and the criterion's minimum area ratio.
  const SelectionResult aperture = select(bothFree(CavitationCriterion::Burrill5));
  ASSERT_FALSE(aperture.refused);
  EXPECT_TRUE(aperture.perBlades[0].active.diameterAtLimit);
  EXPECT_FLOAT_EQ(aperture.perBlades[0].diameter, 5.5f);
  EXPECT_TRUE(aperture.perBlades[0].active.areaRatioAtMinimum);
  EXPECT_TRUE(warned(aperture, "Z = 3: the diameter is held at 5.500 m, the aperture"));
  EXPECT_TRUE(
      warned(aperture, "Z = 3: the area ratio is held at the cavitation criterion's minimum"));
  // The lower rpm limit: a large diameter wants to turn slowly.
  SelectionInputs slow = bothFree(CavitationCriterion::Burrill5);
  slow.rpm = Bounds{110.0f, 160.0f};
  const SelectionResult rpm = select(slow);
  ASSERT_FALSE(rpm.refused);
  EXPECT_TRUE(rpm.chosen->active.rpmAtLimit);
  EXPECT_NEAR(rpm.chosen->rpm, 110.0f, 0.01f);
  EXPECT_TRUE(warned(rpm, "the revolutions are held at 110.0 rpm"));
  // The tip-speed limit.
  SelectionInputs tip = cargoShipDuty();
  tip.diameter = Bounds{4.6f, 4.6f};
  tip.rpm = Bounds{80.0f, 200.0f};
  tip.tipSpeedMax = 26.0f;
  const SelectionResult byTip = select(tip);
  ASSERT_FALSE(byTip.refused) << byTip.reason;
  EXPECT_TRUE(byTip.chosen->active.tipSpeedAtLimit);
  EXPECT_NEAR(byTip.chosen->tipSpeed, 26.0f, 0.01f);
  EXPECT_TRUE(warned(byTip, "held by the tip-speed limit at 26.00 m/s"));
  // The edge of the pitch range searched.
  SelectionInputs edge = cargoShipDuty();
  edge.pitchRatio = Bounds{0.5f, 0.8f};
  edge.diameter = Bounds{3.5f, 6.0f};
  edge.blades = {4};
  const SelectionResult atEdge = select(edge);
  ASSERT_FALSE(atEdge.refused) << atEdge.reason;
  EXPECT_TRUE(atEdge.chosen->active.pitchAtSeriesEdge);
  EXPECT_FLOAT_EQ(atEdge.chosen->pitchRatio, 0.8f);
  EXPECT_TRUE(warned(atEdge, "lies at the edge of the range searched"));
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
  SelectionInputs none = cargoShipDuty();
  none.diameter = Bounds{4.6f, 4.6f};
  EXPECT_EQ(select(none).reason, "nothing is free: give diameter or rpm as a range [low, high]");
  SelectionInputs heavy = cargoShipDuty();
  heavy.diameter = Bounds{4.6f, 4.6f};
  heavy.rpm = Bounds{80.0f, 150.0f};
  heavy.thrust = 2000.0f;
  const SelectionResult r = select(heavy);
  EXPECT_TRUE(r.refused);
  EXPECT_NE(r.reason.find("Z = 4: the thrust needs more than 150.0 rpm (the upper rpm limit) at "
                          "diameter 4.600 m for every pitch ratio 0.50 to 1.40"),
            std::string::npos)
      << r.reason;
  SelectionInputs small = cargoShipDuty();
  small.diameter = Bounds{2.0f, 2.5f};
  EXPECT_NE(select(small).reason.find("a diameter above 2.500 m (the aperture) at 120.0 rpm"),
            std::string::npos);
  SelectionInputs noDuty = cargoShipDuty();
  noDuty.thrust.reset();
  EXPECT_EQ(select(noDuty).reason, "thrust (kN) is missing beside advance_speed");
  SelectionInputs wake = cargoShipDuty();
  wake.wakeFraction = 1.0f;
  EXPECT_EQ(select(wake).reason, "wake_fraction must lie from 0 up to (not including) 1");
  SelectionInputs noArea = cargoShipDuty();
  noArea.areaRatio.reset();
  EXPECT_NE(select(noArea).reason.find("area_ratio is missing"), std::string::npos);
}

}  // namespace
}  // namespace helisolv
