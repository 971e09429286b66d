// The common tail of the pitch-for-requirement problems (types 8, 9 and 10):
// the pitch sweep that tabulates thrust, power or torque against P/D, the
// Burrill, Keller and tip-speed checks of the designed propeller, and the table
// of pitch ratio and efficiency over a list of blade-area ratios.
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
inline constexpr int kSweepCapacity = 10000;

// P/D values of a sweep and the required quantity at each; 1-based, element 0
// unused. Only pitch ratios whose Kt is not negative at the operating J get a row.
struct PitchSweep {
  std::vector<float> pitch = std::vector<float>(kSweepCapacity + 1, 0.0f);
  std::vector<float> value = std::vector<float>(kSweepCapacity + 1, 0.0f);
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

// The console-only break between two pages of the report: a blank line, the
// pause " DEVAM ICIN ENTER TUSUNA BASINIZ " and a blank line.
void pageBreak(Session& io);

// Burrill cavitation check (left out for the Gawn series unless burrillForGawn),
// Keller minimum area ratio for three classes of ship and the tip speed, then
// a pause. thrustKN is the thrust the propeller must deliver, in kN.
void reportBladeAreaChecks(Session& io, const PitchProblem& problem, float thrustKN,
                           bool burrillForGawn);

// For each of the 15 listed area ratios, the pitch ratio that meets the
// requirement (held in the sweep's unit: N, kW or kN m) and the efficiency
// there; then a pause, the series line and the viscous note. Leaves the
// problem's area ratio at the last listed value.
void reportAreaRatioTable(Session& io, PitchProblem& problem, Requirement held, float required);

// The usual table: the thrust in kN held fixed.
inline void reportAreaRatioTable(Session& io, PitchProblem& problem, float thrustKN) {
  reportAreaRatioTable(io, problem, Requirement::Thrust, thrustKN * 1000.0f);
}

}  // namespace helisolv
