// The ten problem solvers. Each takes its inputs from the problem record,
// prints its own report and writes its results back into the record.
#pragma once

namespace helisolv {

void solveKtJ2Design();      // type 1: optimum propeller by Kt/J^2
void solveKtJ4Design();      // type 2: optimum propeller by Kt/J^4
void solveKqJ5Design();      // type 3: optimum propeller by Kq/J^5
void solveBollardPull();     // type 4: bollard pull of three diameters
void solveOpenWaterTable();  // type 5: open-water table
void solveOperatingPoint();  // type 6: operating point at a given speed
void solveBpDeltaDesign();   // type 7: propeller from Bp and delta
void solvePitchForThrust();  // type 8: pitch ratio for a required thrust
void solvePitchForPower();   // type 9: pitch ratio for a required power
void solvePitchForTorque();  // type 10: pitch ratio for a required torque

}  // namespace helisolv
