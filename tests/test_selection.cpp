// The selection's chosen propellers against the program's own problem types:
// an operating-point run at the chosen D, rpm and speed of advance gives the
// selection's thrust, and a pitch-for-thrust run gives its pitch ratio; each
// mode, criterion, limit and refusal once.
#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <string>

#include "helisolv/run.hpp"
#include "helisolv/selection.hpp"

namespace helisolv {
namespace {

float resultValue(const RunResult& r, const std::string& name) {
  for (const RunQuantity& q : r.results)
    if (q.name == name) return std::stof(q.value);
  ADD_FAILURE() << "no result " << name << " in run of status " << r.exitStatus << "\n"
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
  ASSERT_EQ(six.exitStatus, 0) << six.console;
  EXPECT_NEAR(resultValue(six, "thrust"), s.thrust, 0.001f * s.thrust) << "Z " << s.blades;
  t.problemType = 8;
  t.thrust = s.thrust;
  t.shaftDepth = in.shaftDepth;
  const RunResult eight = run(t, std::string(40, '\n'), options);
  ASSERT_EQ(eight.exitStatus, 0) << eight.console;
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

TEST(Selection, ChosenPropellersAgreeWithOperatingPointAndPitchForThrust) {
  SelectionInputs in = cargoShipDuty();
  const SelectionResult r = select(in);
  ASSERT_FALSE(r.refused) << r.reason;
  for (const SelectedPropeller& s : r.perBlades) {
    std::cout << "Z " << s.blades << " D " << s.diameter << " PD " << s.pitchRatio << " EAR "
              << s.areaRatio << " J " << s.advanceRatio << " eta " << s.eta0 << " rpm " << s.rpm
              << " T " << s.thrust << " Pd " << s.deliveredPower << "\n";
    expectConsistent(in, s);
  }
}

}  // namespace
}  // namespace helisolv
