// Report lines shared by the solvers: the area-ratio range check, the
// positive-input check, the series and problem type checks, the series line
// and the viscous-correction note. A failed check ends the run as refused.
#pragma once

#include <string_view>

namespace helisolv {

// Returns when earMin <= areaRatio < earMax; otherwise reports the input error
// on both outputs, pauses and stops the run.
void checkAreaRatio();

// Returns when value > 0; otherwise reports "<symbol> must be above zero" on
// both outputs, pauses and stops the run. Guards the divisors of the solvers.
void checkPositive(std::string_view symbol, float value);

// Return for a series type of 1 or 2, and a problem type of 1 to 10; any other
// value is reported on both outputs like a non-positive input, and the run
// stops there, nothing further read.
void checkSeriesType(int seriesType);
void checkProblemType(int problemType);

// "HESAPLARDA ... SERISI KULLANILMISTIR": Wageningen for 1, Gawn otherwise.
void printSeriesUsed(const int& seriesType);

// Closing note on scale extrapolation: ITTC78 correction applied or not.
void printViscousNote();

}  // namespace helisolv
