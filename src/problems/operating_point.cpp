// Problem type 6: one given propeller at given revolutions and speed of
// advance. The open-water table over a fixed J grid, with the operating J
// merged in and marked, then thrust, delivered power and efficiency at the
// operating point by interpolation in the table.

#include <cmath>

#include "driver/record.hpp"
#include "driver/report_lines.hpp"
#include "export/data_export.hpp"
#include "io/writer.hpp"
#include "numeric/interpolate.hpp"
#include "problems/solvers.hpp"
#include "problems/sort_ascending.hpp"
#include "series/formulas.hpp"
#include "series/series.hpp"

namespace helisolv {

namespace {

constexpr int kTableCapacity = 100;

constexpr std::string_view kTableRule =
    "---|-------|--------|---------|--------|------------|------------|";

void writeTableHead(Unit unit) {
  write(unit, "(//12X,' Pervane Karakteristikleri')");
  writeFree(unit, {kTableRule});
  writeFree(unit, {" i     J       Kt      10Kq      eta0         Bp         delta"});
  writeFree(unit, {kTableRule});
}

// Thrust in N and torque in N m, multiplied in the order of this report.
float operatingThrust(float kt, float d, float n, float rho) {
  return kt * intPow(d, 4) * intPow(n, 2) * rho;
}
float operatingTorque(float kq, float d, float n, float rho) {
  return kq * intPow(d, 5) * intPow(n, 2) * rho;
}

}  // namespace

Outcome solveOperatingPoint() {
  checkAreaRatio();
  // Both are divisors of the operating J.
  checkPositive("D", rec.diameter);
  checkPositive("N", rec.rpm);

  float pitchRatio = rec.pitchRatio;

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
  float n = revsPerSecond(rec.rpm);
  const float operatingAdvance = rec.advanceSpeed / (n * rec.diameter);
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
  for (int i = 1; i <= count; ++i) {
    rec.advanceRatio = advance[i];
    evalOpenWater(pitchRatio, rec.areaRatio, rec.bladeCount);
    if (rec.kt < 0.0f) break;
    ktColumn[i] = rec.kt;
    kqColumn[i] = rec.kq;
    etaColumn[i] = rec.eta0;
    bpColumn[i] = powerCoefficientBp(rec.kq, advance[i]);
    deltaColumn[i] = deltaFromAdvance(advance[i]);
    tableLength = i;
  }

  writeTableHead(Unit::Console);
  writeTableHead(Unit::Result);
  for (int i = 1; i <= tableLength; ++i) {
    const float tenKq = 10.0f * kqColumn[i];
    if (i == operatingRow)
      report("(1X,I2,1X,'*',1X,F5.3,3F9.4,4X,2(F10.4,3X),'*')",
             {i, advance[i], ktColumn[i], tenKq, etaColumn[i], bpColumn[i], deltaColumn[i]});
    else
      report("(1X,I2,F8.3,3F9.4,4X,2(F10.4,3X))",
             {i, advance[i], ktColumn[i], tenKq, etaColumn[i], bpColumn[i], deltaColumn[i]});
    data::row(data::Table::OpenWater,
              {advance[i], ktColumn[i], kqColumn[i], etaColumn[i], bpColumn[i], deltaColumn[i]});
    if (i == operatingRow) data::markRow(data::Table::OpenWater, 0);
  }
  reportFree({kTableRule});

  n = revsPerSecond(rec.rpm);
  rec.advanceRatio = rec.advanceSpeed / (n * rec.diameter);
  const float j = rec.advanceRatio;

  // The usable range is J(1) to the second-to-last stored row; the last row
  // only serves the interpolation's upper neighbour. A table of fewer than
  // four rows leaves fewer than the three points the interpolation needs, and
  // an operating J that is not a finite number lies in no range at all.
  const bool outOfRange =
      tableLength < 4 || !std::isfinite(j) || advance[tableLength - 1] < j || j < advance[1];
  if (outOfRange) {
    report(
        "(/,/,3X,'ILERLEME HIZI VA=',F8.3,' m/s ILERLEME KATSAYILARI SINIRLARI',/,'     DISINA "
        "DUSUYOR  - PROGRAM DURDURULDU ')",
        {rec.advanceSpeed});
    report("(3X,' VA = ',F8.3,' m/s ICIN J = ',F8.3,' OLUYOR')", {rec.advanceSpeed, j});
    return Outcome::Refused;
  }

  printSeriesUsed(rec.seriesType);
  interpolate(tableLength - 1, advance, ktColumn, j, rec.kt, kTableCapacity);
  interpolate(tableLength - 1, advance, kqColumn, j, rec.kq, kTableCapacity);
  const float thrust = operatingThrust(rec.kt, rec.diameter, n, rec.rho);
  rec.thrust = thrust;
  const float torque = operatingTorque(rec.kq, rec.diameter, n, rec.rho);
  const float power = deliveredPowerKW(torque, n);
  rec.eta0 = openWaterEfficiency(rec.kt, rec.kq, j);

  report(
      "(1X,'T=',F10.2,' kN  Va=',F8.3,' m/s  RHO = ',F6.1,' kg/m3',/,' Z = ',F2.0,' EAR = ',F5.3,"
      "' D = ',F6.3,' m',' P/D =',F6.4)",
      {thrust / 1000.0f, rec.advanceSpeed, rec.rho, rec.bladeCount, rec.areaRatio, rec.diameter,
       pitchRatio});
  data::result("thrust", thrust / 1000.0f, "kN");
  data::result("speed of advance", rec.advanceSpeed, "m/s");
  data::result("density", rec.rho, "kg/m3");
  data::result("blades", rec.bladeCount);
  data::result("area ratio", rec.areaRatio);
  data::result("diameter", rec.diameter, "m");
  data::result("pitch ratio", pitchRatio);
  report("(1X,'Pd=',F10.2,' kW',/,1X,'J=',F7.3,' Kt=',F7.3,' 10Kq=',F7.3,' Eta0=',F7.3)",
         {power, j, rec.kt, 10.0f * rec.kq, rec.eta0});
  data::result("delivered power", power, "kW");
  data::result("J", j);
  data::result("Kt", rec.kt);
  data::result("Kq", rec.kq);
  data::result("eta0", rec.eta0);
  printViscousNote();
  return Outcome::Solved;
}

}  // namespace helisolv
