// The ranges the published models were fitted over, as the warnings that say
// a model went beyond them quote them: built from the constants of those
// ranges, for every caller that warns (the solvers, the selection, the
// Python module).
#pragma once

#include <string>

namespace helisolv {

// "2e6 to 2e9": the Reynolds numbers of the B-series Reynolds-number correction.
std::string reynoldsRangeText();

// "P/D 0.8 to 1.8, area ratio 0.5 to 1.1, J from 0.3": the Gawn-Burrill regression's.
std::string gawnRegressionRangesText();

// The sentence of the B-series Reynolds-number correction taken at the nearer
// end of its range.
std::string reynoldsRangeWarning();

}  // namespace helisolv
