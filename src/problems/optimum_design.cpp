#include "problems/solvers.hpp"

namespace helisolv {

void solveKtJ2Design() {}
void solveKtJ4Design() {}
void solveKqJ5Design() {}

}  // namespace helisolv
