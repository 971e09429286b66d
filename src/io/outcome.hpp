// How a run that reached its stop ended: with its result, or with its inputs
// refused. A script running many task files tells the two apart by the exit
// status, so the mapping lives in this one place.
#pragma once

namespace helisolv {

enum class Outcome {
  Solved,   // the run printed its result
  Refused,  // the inputs were refused; the run printed why, and no result
};

// Exit status of a run that ended at its stop: 0 with a result, 3 refused.
// (1 is the run-time error report, 2 a command-line error.)
constexpr int exitStatus(Outcome outcome) {
  return outcome == Outcome::Refused ? 3 : 0;
}

}  // namespace helisolv
