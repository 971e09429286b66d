// The search of a selection: the inputs checked and completed, then for each
// blade number the area ratio, diameter or revolutions and pitch ratio of the
// most efficient propeller behind the ship for the duty.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "helisolv/selection.hpp"

namespace helisolv::selection {

// The inputs as the search uses them, with every default filled in.
struct Problem {
  SelectionInputs in;
  std::vector<int> blades;
  Bounds diameter;
  Bounds rpm;
  Bounds pitch;
  float earMin = 0.0f;  // the series' accepted area ratios
  float earMax = 0.0f;
  enum class Mode { Thrust, ShipSpeed, Power } mode = Mode::Thrust;
};

// The inputs completed, or why they are refused (naming the input).
struct Checked {
  std::optional<Problem> problem;
  std::string reason;
};
Checked checkInputs(const SelectionInputs& in);

// The duty of one propeller: thrust in N and speed of advance in m/s, and the
// ship speed (kn) it comes from, if any.
struct Duty {
  float thrust = 0.0f;
  float advanceSpeed = 0.0f;
  float shipSpeed = 0.0f;
};

// Ship resistance (kN) at a speed (kn) from the curve, a power law between
// neighbouring points; outside the curve its end segments extended.
float resistanceAt(const std::vector<ResistancePoint>& curve, float speed);
Duty dutyAtSpeed(const Problem& p, float shipSpeed, float resistance);

// What the search ran into, for the warnings of the run.
struct SearchNotes {
  bool reynoldsClamped = false;
  bool outsideGawnRegression = false;
};

// The best propeller of this blade number for the duty, or why there is none
// (which limit binds).
struct BladeResult {
  std::optional<SelectedPropeller> propeller;
  std::string refusal;
};
BladeResult bestForBlades(const Problem& p, int blades, const Duty& duty, SearchNotes& notes);

// The best propeller at one area ratio, and whether the cavitation criterion
// (if any) admits it.
std::optional<SelectedPropeller> bestAtAreaRatio(const Problem& p, int blades, float areaRatio,
                                                 const Duty& duty);
bool admitted(const Problem& p, const SelectedPropeller& s);

// The propeller's figures completed at its operating point: J, Kt, Kq, eta0,
// powers, cavitation figures and tip speed.
void completeFigures(const Problem& p, const Duty& duty, SelectedPropeller& s, SearchNotes& notes);

// The propeller of fixed diameter and pitch ratio at a duty: the revolutions
// at which it delivers the thrust. None where no J does.
std::optional<SelectedPropeller> atDuty(const Problem& p, const SelectedPropeller& geometry,
                                        const Duty& duty, SearchNotes& notes);

}  // namespace helisolv::selection
