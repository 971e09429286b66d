// Report lines shared by the solvers: the area-ratio range check, the
// positive-input check, the series and problem type checks, the series line
// and the viscous-correction note. A failed check ends the run as refused.
#pragma once

#include <string_view>

#include "helisolv/open_water.hpp"
#include "io/session.hpp"

namespace helisolv {

// Returns when the series' earMin <= areaRatio < earMax; otherwise reports the
// input error on both outputs, pauses and stops the run.
void checkAreaRatio(Session& io, Series seriesType, float areaRatio);

// Returns when value > 0; otherwise reports "<symbol> must be above zero" on
// both outputs, pauses and stops the run. Guards the divisors of the solvers.
void checkPositive(Session& io, std::string_view symbol, float value);

// Return for a series type of 1 or 2, and a problem type of 1 to 10; any other
// value is reported on both outputs like a non-positive input, a warning names
// the task-file line it was read from and the text there (a line added or
// removed above shifts it), and the run stops there, nothing further read.
void checkSeriesType(Session& io, Series seriesType);
void checkProblemType(Session& io, int problemType);

// "HESAPLARDA ... SERISI KULLANILMISTIR": Wageningen for 1, Gawn otherwise.
void printSeriesUsed(Session& io, Series seriesType);

// Closing note on scale extrapolation: ITTC78 correction applied (viscous
// flag 1) or not.
void printViscousNote(Session& io, int viscousFlag);

}  // namespace helisolv
