#include "problems/pitch_sweep.hpp"

#include "problems/table_search.hpp"
#include "series/formulas.hpp"
#include "series/series.hpp"

namespace helisolv {

namespace {

constexpr float kPitchStep = 0.1f;

}  // namespace

float thrustRealPowers(float kt, float rho, float n, float d) {
  return kt * rho * realPow(n, 2.0f) * realPow(d, 4.0f);
}
float torqueRealPowers(float kq, float rho, float n, float d) {
  return kq * rho * realPow(n, 2.0f) * realPow(d, 5.0f);
}

float sweepPitch(Requirement quantity, PitchProblem& problem, float advance, PitchSweep& sweep) {
  const Task& task = problem.task;
  const float n = revsPerSecond(task.rpm);
  const float d = task.diameter;
  const float rho = task.rho;
  const SeriesLimits limits = seriesLimits(task.seriesType);
  sweep.count = 0;
  const int passes = sweepPassCount(limits.pdMin, limits.pdMax, kPitchStep, kPitchSweepCapacity);
  float pd = limits.pdMin;
  for (int pass = 0; pass < passes; ++pass, pd = pd + kPitchStep) {
    Propeller propeller = problem.propeller;
    propeller.pitchRatio = pd;
    const OpenWaterPoint p = problem.evaluate(propeller, advance);
    problem.propeller.bladeCount = p.bladeCount;
    advance = p.advanceRatio;
    if (p.kt < 0.0f) continue;  // a pitch that gives no thrust is left out
    float value = 0.0f;
    switch (quantity) {
      case Requirement::Thrust:
        value = thrustRealPowers(p.kt, rho, n, d);
        break;
      case Requirement::Power:
        value = deliveredPowerKW(torqueRealPowers(p.kq, rho, n, d), n);
        break;
      case Requirement::Torque:
        value = torqueRealPowers(p.kq, rho, n, d) / 1000.0f;
        break;
    }
    ++sweep.count;
    sweep.pitch[sweep.count] = pd;
    sweep.value[sweep.count] = value;
  }
  return advance;
}

float largestValue(const PitchSweep& sweep) {
  float largest = 0.0f;
  for (int i = 1; i <= sweep.count; ++i)
    if (sweep.value[i] > largest) largest = sweep.value[i];
  return largest;
}

bool requirementInRange(const PitchSweep& sweep, float required) {
  // Written so that a table value that is not a number is out of range too.
  return sweep.count > 0 && sweep.value[1] <= required && required <= sweep.value[sweep.count];
}

float pitchForRequirement(Session& io, const PitchSweep& sweep, float required) {
  // A single row is in range only when it meets the requirement exactly; the
  // spline needs two rows.
  if (sweep.count == 1) return sweep.pitch[1];
  // Should the search find no sign change (the spline at the last row may miss
  // that row's value by a rounding), it leaves the root alone: start from the
  // end of the table nearer the requirement.
  float root = (required - sweep.value[1] <= sweep.value[sweep.count] - required)
                   ? sweep.pitch[1]
                   : sweep.pitch[sweep.count];
  findRoot(io, sweep.count, sweep.pitch.data(), sweep.value.data(), required, root,
           kPitchSweepCapacity);
  return root;
}

}  // namespace helisolv
