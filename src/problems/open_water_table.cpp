#include "problems/solvers.hpp"

namespace helisolv {

void solveOpenWaterTable() {}

}  // namespace helisolv
