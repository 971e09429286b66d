#include "problems/solvers.hpp"

namespace helisolv {

void solveBpDeltaDesign() {}

}  // namespace helisolv
