// Where a fixed-line task file holds its values: the series type and the
// problem type stand alone on their lines, the problem's inputs follow the
// problem type; every other line is free text the run passes over.
#pragma once

namespace helisolv {

inline constexpr int kSeriesTypeLine = 14;
inline constexpr int kProblemTypeLine = 78;
inline constexpr int kInputsLine = kProblemTypeLine + 1;

}  // namespace helisolv
