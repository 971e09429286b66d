// The common tail of the pitch-for-requirement problems (types 8, 9 and 10):
// the Burrill, Keller and tip-speed checks of the designed propeller, and the table
// of pitch ratio and efficiency over a list of blade-area ratios.
#pragma once

#include <vector>

#include "helisolv/task.hpp"
#include "io/session.hpp"
#include "problems/pitch_sweep.hpp"

namespace helisolv {

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
