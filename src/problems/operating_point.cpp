#include "problems/solvers.hpp"

namespace helisolv {

void solveOperatingPoint() {}

}  // namespace helisolv
