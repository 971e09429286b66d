// The ten problem solvers. Each takes its inputs from the problem record,
// prints its own report and writes its results back into the record; each
// returns Refused when it ends without a result because of its inputs.
#pragma once

#include "io/outcome.hpp"

namespace helisolv {

Outcome solveKtJ2Design();      // type 1: optimum propeller by Kt/J^2
Outcome solveKtJ4Design();      // type 2: optimum propeller by Kt/J^4
Outcome solveKqJ5Design();      // type 3: optimum propeller by Kq/J^5
Outcome solveBollardPull();     // type 4: bollard pull of three diameters
Outcome solveOpenWaterTable();  // type 5: open-water table
Outcome solveOperatingPoint();  // type 6: operating point at a given speed
Outcome solveBpDeltaDesign();   // type 7: propeller from Bp and delta
Outcome solvePitchForThrust();  // type 8: pitch ratio for a required thrust
Outcome solvePitchForPower();   // type 9: pitch ratio for a required power
Outcome solvePitchForTorque();  // type 10: pitch ratio for a required torque

}  // namespace helisolv
