// The ten problem solvers. Each takes the task and the model options, prints
// its report through the run's session and hands its tables and results to
// the session's data export; each returns Refused when it ends without a
// result because of its inputs.
#pragma once

#include "helisolv/task.hpp"
#include "io/outcome.hpp"
#include "io/session.hpp"

namespace helisolv {

using Solver = Outcome (*)(const Task& task, const ModelOptions& models, Session& io);

Outcome solveKtJ2Design(const Task& task, const ModelOptions& models, Session& io);      // type 1
Outcome solveKtJ4Design(const Task& task, const ModelOptions& models, Session& io);      // type 2
Outcome solveKqJ5Design(const Task& task, const ModelOptions& models, Session& io);      // type 3
Outcome solveBollardPull(const Task& task, const ModelOptions& models, Session& io);     // type 4
Outcome solveOpenWaterTable(const Task& task, const ModelOptions& models, Session& io);  // type 5
Outcome solveOperatingPoint(const Task& task, const ModelOptions& models, Session& io);  // type 6
Outcome solveBpDeltaDesign(const Task& task, const ModelOptions& models, Session& io);   // type 7
Outcome solvePitchForThrust(const Task& task, const ModelOptions& models, Session& io);  // type 8
Outcome solvePitchForPower(const Task& task, const ModelOptions& models, Session& io);   // type 9
Outcome solvePitchForTorque(const Task& task, const ModelOptions& models, Session& io);  // type 10

// The solver of a problem type (1 to 10); none for any other type.
Solver solverFor(int problemType);

// The series evaluation as a solver uses it: the task's series and the scale
// correction of the solver's own full-scale diameter, speed and revolutions.
struct Evaluator {
  SeriesModel model;
  ScaleCorrection correction;

  OpenWaterPoint operator()(const Propeller& propeller, float j) const {
    return evaluateOpenWater(model, propeller, j, correction);
  }
};

inline Evaluator evaluatorFor(const Task& task, const ModelOptions& models, int viscousFlag,
                              float diameter, float advanceSpeed, float rpm) {
  return {SeriesModel{task.seriesType},
          ScaleCorrection{viscousFlag, models.viscousCorrection, diameter, advanceSpeed, rpm}};
}

}  // namespace helisolv
