// The problem record: the one global record through which the driver and the
// solvers share the task's inputs, the series limits and the point being
// evaluated. All reals are 32-bit, all integers 32-bit signed; zero at start.
#pragma once

#include "series/viscous_correction.hpp"

namespace helisolv {

struct ProblemRecord {
  int seriesType = 0;   // 1 Wageningen B-series, 2 Gawn series
  int problemType = 0;  // 1 to 10 selects the solver
  float thrust = 0.0f;  // kN as read; some solvers store a computed thrust
  float diameter = 0.0f;
  float advanceSpeed = 0.0f;
  float rho = 0.0f;
  float bladeCount = 0.0f;
  float areaRatio = 0.0f;
  float rpm = 0.0f;
  float powerKW = 0.0f;  // type 10: the required torque in kN m
  float powerW = 0.0f;   // powerKW * 1000 for types 3, 4, 9 and 10
  float pitchRatio = 0.0f;
  float shaftDepth = 0.0f;
  int viscousFlag = 0;  // 1: apply the ITTC78 viscous correction
  // Which formulation that correction uses: set once per run from the command line.
  ViscousCorrection viscousCorrection = ViscousCorrection::Legacy;
  float bollardDiameter1 = 0.0f;
  float bollardDiameter2 = 0.0f;
  float bollardDiameter3 = 0.0f;
  float bp = 0.0f;
  float delta = 0.0f;
  float earMin = 0.0f;
  float earMax = 0.0f;
  float pdMin = 0.0f;
  float pdMax = 0.0f;
  float advanceRatio = 0.0f;  // J of the point being evaluated
  float kt = 0.0f;
  float kq = 0.0f;
  float eta0 = 0.0f;
};

// The record of the current run; reset to zero at the start of every run.
extern ProblemRecord rec;

}  // namespace helisolv
