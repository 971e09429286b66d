// The cavitation and loading figures of a selected propeller: the cavitation
// number at 0.7 R, the blade loading tau_c, the minimum area ratios of the
// lines of Burrill's chart and of Keller's formula, and the tip speed, as the
// program's blade-area checks form them.
#pragma once

#include <optional>

#include "helisolv/selection.hpp"

namespace helisolv::selection {

struct CavitationFigures {
  float sigma = 0.0f;
  float tauC = 0.0f;
  // None where the cavitation number lies off that line of the chart.
  std::optional<float> tau25, tau5, tauUpper;
  std::optional<float> minimum25, minimum5, minimumUpper;
  float unitAreaLoading = 0.0f;  // tau_c of an area ratio of one
  float keller = 0.0f;           // with the allowance k
  float tipSpeed = 0.0f;
  bool sigmaBelowChart = false;
  bool sigmaAboveChart = false;
};

// thrust in kN, rpm, diameter m, advance speed m/s.
CavitationFigures cavitationFigures(const SelectionInputs& in, int blades, float diameter,
                                    float rpm, float advanceSpeed, float thrust, float pitchRatio,
                                    float areaRatio);

// The criterion's minimum area ratio (without the margin) and its allowed
// loading; none where the chart has no value at this cavitation number.
struct CriterionMinimum {
  std::optional<float> minimumAreaRatio;
  std::optional<float> allowedLoading;
};
CriterionMinimum criterionMinimum(CavitationCriterion criterion, const CavitationFigures& f);

}  // namespace helisolv::selection
