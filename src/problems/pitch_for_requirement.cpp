#include "problems/solvers.hpp"

namespace helisolv {

void solvePitchForThrust() {}
void solvePitchForPower() {}
void solvePitchForTorque() {}

}  // namespace helisolv
