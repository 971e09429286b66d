// A task as read from Helisolv.Tsk: the series, the problem type and that
// type's inputs. Solving never changes it; what a solver works out it keeps
// in its own variables and reports.
#pragma once

#include "helisolv/open_water.hpp"

namespace helisolv {

// The exit status of a run, as the console program ends with it.
enum class ExitStatus : int {
  Result = 0,
  RunTimeError = 1,      // a failed read, open or write
  CommandLineError = 2,  // or a CSV folder that cannot be used
  InputsRefused = 3,     // no result
};

// All reals are 32-bit, all integers 32-bit signed; a value the problem type
// does not read stays zero.
struct Task {
  Series seriesType{};  // none until read
  int problemType = 0;  // 1 to 10 selects the solver
  float thrust = 0.0f;  // kN
  float diameter = 0.0f;
  float advanceSpeed = 0.0f;
  float rho = 0.0f;
  float bladeCount = 0.0f;
  float areaRatio = 0.0f;
  float rpm = 0.0f;
  float powerKW = 0.0f;    // types 3, 4 and 9
  float powerW = 0.0f;     // powerKW * 1000, filled by the readers
  float torqueKNm = 0.0f;  // type 10: the required torque
  float pitchRatio = 0.0f;
  float shaftDepth = 0.0f;
  int viscousFlag = 0;  // 1: apply the viscous correction (types 6 to 10)
  float bollardDiameter1 = 0.0f;
  float bollardDiameter2 = 0.0f;
  float bollardDiameter3 = 0.0f;
  float bp = 0.0f;
  float delta = 0.0f;
};

// How the series are evaluated besides the task: the command line's choices.
struct ModelOptions {
  ViscousCorrection viscousCorrection = ViscousCorrection::Legacy;
  GawnModel gawnModel = GawnModel::Legacy;
  // --tip-speed-limit=V: the tip speed in m/s above which types 8 to 10 warn
  // of tip vortex cavitation; 0, the default, sets no limit.
  float tipSpeedLimit = 0.0f;
};

// The pitch-ratio range of the sweeps and the accepted area ratios of a
// series. The upper bounds lie just above the round values so that a sweep of
// step 0.01 reaches them and the exclusive area-ratio test accepts 1.05 and
// 1.10. A series type without polynomials has all four at zero.
struct SeriesLimits {
  float pdMin = 0.0f;
  float pdMax = 0.0f;
  float earMin = 0.0f;
  float earMax = 0.0f;
};

constexpr SeriesLimits seriesLimits(Series seriesType) {
  if (seriesType == Series::Wageningen) return {0.5f, 1.401f, 0.3f, 1.0501f};
  if (seriesType == Series::Gawn) return {0.5f, 2.001f, 0.201f, 1.101f};
  return {};
}

}  // namespace helisolv
