// The pitch sweep of the pitch-for-requirement problems (types 8, 9 and 10):
// thrust, power or torque tabulated against P/D at one J, and the P/D at which
// a spline through that table meets a requirement.
#pragma once

#include <vector>

#include "helisolv/task.hpp"
#include "io/session.hpp"
#include "problems/solvers.hpp"

namespace helisolv {

// The quantity a pitch sweep tabulates and a requirement fixes: thrust in N,
// delivered power in kW, or torque in kN m.
enum class Requirement { Thrust, Power, Torque };

// Capacity of the pitch sweep table of types 8 to 10, as the root search is told.
inline constexpr int kPitchSweepCapacity = 10000;

// Thrust T = Kt rho n^2 D^4 (N) and torque Q = Kq rho n^2 D^5 (N m). These
// problems have always taken the powers as real powers; multiplying them out
// rounds differently and can move the design pitch in its last place.
float thrustRealPowers(float kt, float rho, float n, float d);
float torqueRealPowers(float kq, float rho, float n, float d);

// P/D values of a sweep and the required quantity at each; 1-based, element 0
// unused. Only pitch ratios whose Kt is not negative at the operating J get a row.
struct PitchSweep {
  std::vector<float> pitch = std::vector<float>(kPitchSweepCapacity + 1, 0.0f);
  std::vector<float> value = std::vector<float>(kPitchSweepCapacity + 1, 0.0f);
  int count = 0;
};

// The propeller of a pitch-for-requirement problem as the solver works on it:
// the task, the series evaluation with the correction the solver runs with,
// and the propeller (the blade count the series evaluates with, the area
// ratio, and the pitch ratio once found).
struct PitchProblem {
  const Task& task;
  Evaluator evaluate;
  Propeller propeller;
};

// Sweeps P/D from pdMin in steps of 0.1 (10 values for the Wageningen limits,
// 16 for the Gawn limits) at J of advance, the problem's area ratio and blade
// count. Returns the J the series evaluated at.
float sweepPitch(Requirement quantity, PitchProblem& problem, float advance, PitchSweep& sweep);

// The largest value of the sweep (0 for an empty one); values that are not
// numbers are passed over.
float largestValue(const PitchSweep& sweep);

// True when the requirement lies between the first and the last row, ends
// included; an empty table is never in range.
bool requirementInRange(const PitchSweep& sweep, float required);

// The P/D at which the not-a-knot spline through the sweep meets the
// requirement (which must be in range); a single row gives its own P/D.
float pitchForRequirement(Session& io, const PitchSweep& sweep, float required);

}  // namespace helisolv
