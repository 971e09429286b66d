// Report lines shared by the solvers: the area-ratio range check, the
// positive-input check, the series line and the viscous-correction note.
#pragma once

#include <string_view>

namespace helisolv {

// Returns when earMin <= areaRatio < earMax; otherwise reports the input error
// on both outputs, pauses and stops the run.
void checkAreaRatio();

// Returns when value > 0; otherwise reports "<symbol> must be above zero" on
// both outputs, pauses and stops the run. Guards the divisors of the solvers.
void checkPositive(std::string_view symbol, float value);

// "HESAPLARDA ... SERISI KULLANILMISTIR": Wageningen for 1, Gawn otherwise.
void printSeriesUsed(const int& seriesType);

// Closing note on scale extrapolation: ITTC78 correction applied or not.
void printViscousNote();

}  // namespace helisolv
