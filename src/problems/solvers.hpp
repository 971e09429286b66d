// The ten problem solvers. Each takes the task and the model options, prints
// its report through the run's session and hands its tables and results to
// the session's data export; each returns Refused when it ends without a
// result because of its inputs.
#pragma once

#include "export/data_export.hpp"
#include "helisolv/task.hpp"
#include "io/outcome.hpp"
#include "io/session.hpp"
#include "series/model_ranges.hpp"

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

// The series evaluation as a solver uses it: the task's series by the
// command line's Gawn model, the scale correction of the solver's own
// full-scale diameter, speed and revolutions, and the run whose warnings say
// where a published model went beyond its fitted ranges (once per run each).
struct Evaluator {
  SeriesModel model;
  ScaleCorrection correction;
  Session* io = nullptr;  // none: no warnings

  OpenWaterPoint operator()(const Propeller& propeller, float j) const {
    const OpenWaterPoint point = evaluateOpenWater(model, propeller, j, correction);
    note(point.notes);
    return point;
  }

  // Warns of what the notes of a point or a curve say.
  void note(const ModelRangeNotes& notes) const {
    if (io == nullptr) return;
    if (notes.reynoldsClamped) warn(*io, "reynolds number range", reynoldsRangeWarning());
    // The sweeps and tables run over the series' whole P/D and from J 0.05,
    // so nearly every run tabulates beyond the fit: a note of run.csv; the
    // reported result is judged by warnGawnRegressionAt.
    if (notes.outsideGawnRegression)
      helisolv::note(*io, "gawn regression range",
                     "the Gawn-Burrill regression was evaluated outside its fitted ranges (" +
                         gawnRegressionRangesText() +
                         ") in rows of the tables; its values there are extrapolated");
  }
};

inline Evaluator evaluatorFor(Session& io, const Task& task, const ModelOptions& models,
                              int viscousFlag, float diameter, float advanceSpeed, float rpm) {
  const ScaleCorrection correction{viscousFlag, models.viscousCorrection, diameter, advanceSpeed,
                                   rpm};
  // With neither speed nor revolutions the flag corrects nothing, and the
  // data export must not name a correction that did not act.
  if (!correction.applies()) data::viscousFlag(io, 0);
  return {SeriesModel{task.seriesType, models.gawnModel}, correction, &io};
}

}  // namespace helisolv
