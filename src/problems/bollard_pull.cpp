#include "problems/solvers.hpp"

namespace helisolv {

void solveBollardPull() {}

}  // namespace helisolv
