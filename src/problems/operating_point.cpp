// Problem type 6: one given propeller at given revolutions and speed of
// advance. The open-water table over a fixed J grid, with the operating J
// merged in and marked, then thrust, delivered power and efficiency at the
// operating point by interpolation in the table.

#include <cmath>

#include "export/data_export.hpp"
#include "io/writer.hpp"
#include "problems/table_search.hpp"
#include "problems/ground_warnings.hpp"
#include "problems/report_lines.hpp"
#include "problems/solvers.hpp"
#include "problems/sort_ascending.hpp"
#include "report/item.hpp"
#include "series/formulas.hpp"
#include "series/series.hpp"

namespace helisolv {

namespace {

constexpr int kTableCapacity = 100;

constexpr std::string_view kTableRule =
    "---|-------|--------|---------|--------|------------|------------|";

void writeTableHead(Session& io, Unit unit) {
  write(io, unit, "(//12X,' Pervane Karakteristikleri')");
  writeFree(io, unit, {kTableRule});
  writeFree(io, unit, {" i     J       Kt      10Kq      eta0         Bp         delta"});
  writeFree(io, unit, {kTableRule});
}

// Thrust in N and torque in N m, multiplied in the order of this report.
float operatingThrust(float kt, float d, float n, float rho) {
  return kt * intPow(d, 4) * intPow(n, 2) * rho;
}
float operatingTorque(float kq, float d, float n, float rho) {
  return kq * intPow(d, 5) * intPow(n, 2) * rho;
}

}  // namespace

Outcome solveOperatingPoint(const Task& task, const ModelOptions& models, Session& io) {
  checkAreaRatio(io, task.seriesType, task.areaRatio);
  // Both are divisors of the operating J.
  checkPositive(io, "D", task.diameter);
  checkPositive(io, "N", task.rpm);

  const float pitchRatio = task.pitchRatio;
  const Evaluator evaluate =
      evaluatorFor(io, task, models, task.viscousFlag, task.diameter, task.advanceSpeed, task.rpm);
  warnBladesAndAreaRatio(io, task.seriesType, task.bladeCount, task.areaRatio);
  warnPitchRatio(io, task.seriesType, pitchRatio);
  warnCorrection(io, task.seriesType, evaluate.correction);
  warnRevolutionsUnit(io, task.rpm, task.diameter);
  const float dutyJ = task.advanceSpeed / (revsPerSecond(task.rpm) * task.diameter);
  warnAdvanceBeyondSeries(io, evaluate.model, task.bladeCount, task.areaRatio, dutyJ,
                          task.advanceSpeed, task.rpm);
  warnGawnRegressionAt(io, evaluate.model, pitchRatio, task.areaRatio, dutyJ);
  Propeller propeller{task.bladeCount, task.areaRatio, pitchRatio};

  // The J column: the grid 0.05, 0.10, ... (30 running 32-bit sums, the last
  // 1.4999996) and the operating J, sorted together. The second column is the
  // sort buffer first and the thrust coefficients afterwards.
  float advance[kTableCapacity + 1] = {};
  float ktColumn[kTableCapacity + 1] = {};
  float kqColumn[kTableCapacity + 1] = {};
  float etaColumn[kTableCapacity + 1] = {};
  float bpColumn[kTableCapacity + 1] = {};
  float deltaColumn[kTableCapacity + 1] = {};

  const int gridCount = sweepPassCount(0.05f, 1.55f, 0.05f);
  float gridAdvance = 0.05f;
  for (int i = 1; i <= gridCount; ++i) {
    advance[i] = gridAdvance;
    gridAdvance = gridAdvance + 0.05f;
  }
  float n = revsPerSecond(task.rpm);
  const float operatingAdvance = task.advanceSpeed / (n * task.diameter);
  int count = gridCount + 1;
  advance[count] = operatingAdvance;

  float* sortBuffer = ktColumn;
  for (int i = 1; i <= count; ++i) sortBuffer[i] = advance[i];
  sortAscending(count, sortBuffer);
  for (int i = 1; i <= count; ++i) advance[i] = sortBuffer[i];

  // The marked row: the first J within 0.001 of the operating J, so a grid
  // value just below it is marked rather than the operating J's own row.
  int operatingRow = 0;
  for (int i = 1; i <= count; ++i) {
    if (std::fabs(advance[i] - operatingAdvance) < 0.001f) {
      operatingRow = i;
      break;
    }
  }

  // The series up the J column, ending at the first negative thrust
  // coefficient: that row and every later one are left out of the table.
  int tableLength = 0;
  OpenWaterPoint last;
  for (int i = 1; i <= count; ++i) {
    const OpenWaterPoint p = evaluate(propeller, advance[i]);
    last = p;
    propeller.bladeCount = p.bladeCount;
    if (p.kt < 0.0f) break;
    ktColumn[i] = p.kt;
    kqColumn[i] = p.kq;
    etaColumn[i] = p.eta0;
    bpColumn[i] = powerCoefficientBp(p.kq, advance[i]);
    deltaColumn[i] = deltaFromAdvance(advance[i]);
    tableLength = i;
  }

  writeTableHead(io, Unit::Console);
  writeTableHead(io, Unit::Result);
  for (int i = 1; i <= tableLength; ++i) {
    // The operating row is marked with stars.
    emitRow(io, data::Table::OpenWater,
            i == operatingRow ? "(1X,I2,1X,'*',1X,F5.3,3F9.4,4X,2(F10.4,3X),'*')"
                              : "(1X,I2,F8.3,3F9.4,4X,2(F10.4,3X))",
            {shown(i), column(advance[i]), column(ktColumn[i]), tenfoldKqColumn(kqColumn[i]),
             column(etaColumn[i]), column(bpColumn[i]), column(deltaColumn[i])});
    if (i == operatingRow) data::markRow(io, data::Table::OpenWater, 0);
  }
  reportFree(io, {kTableRule});

  n = revsPerSecond(task.rpm);
  const float j = task.advanceSpeed / (n * task.diameter);

  // The usable range is J(1) to the second-to-last stored row; the last row
  // only serves the interpolation's upper neighbour. A table of fewer than
  // four rows leaves fewer than the three points the interpolation needs, and
  // an operating J that is not a finite number lies in no range at all.
  const bool outOfRange =
      tableLength < 4 || !std::isfinite(j) || advance[tableLength - 1] < j || j < advance[1];
  if (outOfRange) {
    emitRefusal(io,
                "(/,/,3X,'ILERLEME HIZI VA=',F8.3,' m/s ILERLEME KATSAYILARI SINIRLARI',/,'     "
                "DISINA DUSUYOR  - PROGRAM DURDURULDU ')",
                {shown(task.advanceSpeed)});
    emitRefusal(io, "(3X,' VA = ',F8.3,' m/s ICIN J = ',F8.3,' OLUYOR')",
                {shown(task.advanceSpeed), shown(j)});
    return Outcome::Refused;
  }

  printSeriesUsed(io, task.seriesType);
  // The interpolation leaves Kt and Kq as they were, those of the last point
  // evaluated, should it fail.
  float kt = last.kt;
  float kq = last.kq;
  interpolate(io, tableLength - 1, advance, ktColumn, j, kt, kTableCapacity);
  interpolate(io, tableLength - 1, advance, kqColumn, j, kq, kTableCapacity);
  const float thrust = operatingThrust(kt, task.diameter, n, task.rho);
  const float torque = operatingTorque(kq, task.diameter, n, task.rho);
  const float power = deliveredPowerKW(torque, n);
  const float eta0 = openWaterEfficiency(kt, kq, j);

  emit(io,
       "(1X,'T=',F10.2,' kN  Va=',F8.3,' m/s  RHO = ',F6.1,' kg/m3',/,' Z = ',F2.0,' EAR = ',F5.3,"
       "' D = ',F6.3,' m',' P/D =',F6.4)",
       {quantity("thrust", thrust / 1000.0f, "kN"),
        quantity("speed of advance", task.advanceSpeed, "m/s"),
        quantity("density", task.rho, "kg/m3"), quantity("blades", propeller.bladeCount),
        quantity("area ratio", task.areaRatio), quantity("diameter", task.diameter, "m"),
        quantity("pitch ratio", pitchRatio)});
  emit(io, "(1X,'Pd=',F10.2,' kW',/,1X,'J=',F7.3,' Kt=',F7.3,' 10Kq=',F7.3,' Eta0=',F7.3)",
       {quantity("delivered power", power, "kW"), quantity("J", j), quantity("Kt", kt),
        tenfoldKq(kq), quantity("eta0", eta0)});
  printViscousNote(io, task.viscousFlag);
  return Outcome::Solved;
}

}  // namespace helisolv
