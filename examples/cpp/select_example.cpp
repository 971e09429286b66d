#include <helisolv/selection.hpp>
#include <iostream>

int main() {  // the propeller for 420 kN at 6.2 m/s: D up to 4.6 m at 120 rpm, EAR from Burrill
  helisolv::SelectionInputs in;
  in.thrust = 420.0f;
  in.advanceSpeed = 6.2f;
  in.diameter = helisolv::Bounds{3.5f, 4.6f};
  in.rpm = helisolv::Bounds{120.0f, 120.0f};
  in.cavitation = helisolv::CavitationCriterion::Burrill5;
  in.shaftDepth = 4.5f;
  const helisolv::SelectionResult r = helisolv::select(in);
  if (r.refused) return std::cerr << r.reason << '\n', 3;
  const helisolv::SelectedPropeller& c = *r.chosen;
  std::cout << "Z " << c.blades << " D " << c.diameter << " P/D " << c.pitchRatio << " EAR "
            << c.areaRatio << " eta0 " << c.eta0 << " PD " << c.deliveredPower << " kW\n";
}
