// Bp-delta design (problem type 7). The given delta fixes the advance
// coefficient J; the open-water characteristics are tabulated over pitch ratio
// at that J together with the Bp each pitch ratio would absorb, and the pitch
// ratio whose Bp equals the given one is read off the table. The chosen
// propeller is evaluated once more and its thrust, torque and power reported.

#include <string_view>

#include "export/data_export.hpp"
#include "io/writer.hpp"
#include "problems/table_search.hpp"
#include "problems/design_report.hpp"
#include "problems/ground_warnings.hpp"
#include "problems/report_lines.hpp"
#include "problems/solvers.hpp"
#include "report/item.hpp"
#include "series/formulas.hpp"
#include "series/series.hpp"

namespace helisolv {

namespace {

constexpr std::string_view kRule =
    "---|-------|--------|---------|--------|------------|------------|";
constexpr std::string_view kTitles =
    " i     P/D     Kt      10Kq      eta0         Bp         delta";

// Pitch ratios 0.5, 0.55, ..., 1.4 by 32-bit running sum: 19 rows at most.
constexpr float kFirstPitch = 0.5f;
constexpr float kPitchStep = 0.05f;
constexpr float kLastPitch = 1.4f;
constexpr int kMaxPasses = 20;

// The table is read by a three-point parabola, which needs three rows.
constexpr int kMinRows = 3;
constexpr int kCapacity = 100;

}  // namespace

Outcome solveBpDeltaDesign(const Task& task, const ModelOptions& models, Session& io) {
  // delta divides into J: a zero or negative delta has no propeller.
  checkPositive(io, "delta", task.delta);

  const Evaluator evaluate =
      evaluatorFor(io, task, models, task.viscousFlag, task.diameter, task.advanceSpeed, task.rpm);
  warnBladesAndAreaRatio(io, task.seriesType, task.bladeCount, task.areaRatio);
  warnCorrection(io, task.seriesType, evaluate.correction);
  warnBpDeltaMismatch(io, task);
  Propeller propeller{task.bladeCount, task.areaRatio, 0.0f};
  const float j = advanceFromDelta(task.delta);
  // J as the series last saw it (a J below 0.001 is evaluated at 0.001).
  float advance = j;
  const float kqGiven = kqFromBp(task.bp, j);

  report(io, "(//5X,'Pervane Karakteristikleri '/)");
  report(io, "(2X,'Bp=',F7.3,', Delta=',F6.2,', J=',F6.3,             ', 10Kq=',F6.3//)",
         {task.bp, task.delta, j, 10.0f * kqGiven});
  reportFree(io, {kRule});
  reportFree(io, {kTitles});
  reportFree(io, {kRule});

  // One row per pitch ratio whose Kt at this J is not negative, numbered
  // consecutively. The pitch ratio and Bp columns are kept for the reading
  // of the table; element 0 is unused.
  float rowPitch[kCapacity + 1] = {};
  float rowBp[kCapacity + 1] = {};
  int rowCount = 0;
  float pitch = kFirstPitch;
  for (int pass = 1; pass <= kMaxPasses; ++pass) {
    if (pitch > kLastPitch) break;
    propeller.pitchRatio = pitch;
    const OpenWaterPoint p = evaluate(propeller, advance);
    propeller.bladeCount = p.bladeCount;
    advance = p.advanceRatio;
    if (!(p.kt < 0.0f)) {
      ++rowCount;
      rowPitch[rowCount] = pitch;
      rowBp[rowCount] = powerCoefficientBp(p.kq, advance);
      emitRow(io, data::Table::BpDelta, "(1X,I2,F8.3,3F9.4,4X,2(F10.4,3X))",
              {shown(rowCount), column(pitch), column(p.kt), tenfoldKqColumn(p.kq), column(p.eta0),
               column(rowBp[rowCount]), column(deltaFromAdvance(advance))});
    }
    pitch = pitch + kPitchStep;
  }
  reportFree(io, {kRule});

  if (rowCount < kMinRows) {
    emitRefusal(
        io, "(/,/,3X,'HESAP YAPILACAK SAYI 3 DEN AZ OLDUGU ICIN PROGRAM CALISMASI DURDURULDU')");
    emitRefusal(io, "(3X,' ISON = ',I3)", {shown(rowCount)});
    return Outcome::Refused;
  }

  // The pitch ratio at which the tabulated Bp equals the given one. Outside
  // the Bp column there is no such propeller: say so on both outputs rather
  // than report the pitch ratio the table loop happened to end with.
  interpolate(io, rowCount, rowBp, rowPitch, task.bp, pitch, kCapacity);
  if (!(task.bp >= rowBp[1] && task.bp <= rowBp[rowCount])) {
    emitRefusal(io, "(/,/,3X,'VERILEN Bp DEGERI TABLO SINIRLARI DISINDA - HESAP YAPILAMADI')");
    emitRefusal(io, "(3X,' Bp = ',F8.3)", {shown(task.bp)});
    return Outcome::Refused;
  }
  propeller.pitchRatio = pitch;
  warnPitchRatio(io, task.seriesType, pitch);
  warnPitchAtTableEnd(io, pitch, rowPitch[1], rowPitch[rowCount], "Bp");
  warnRevolutionsUnit(io, task.rpm, task.diameter);
  warnGawnRegressionAt(io, evaluate.model, pitch, task.areaRatio, j);
  const OpenWaterPoint design = evaluate(propeller, advance);
  propeller.bladeCount = design.bladeCount;
  advance = design.advanceRatio;

  // Diameter, density and revolutions are the given ones; they play no part in
  // the choice of the pitch ratio.
  const float n = revsPerSecond(task.rpm);
  const float torque = intPow(task.diameter, 5) * design.kq * task.rho * intPow(n, 2);
  const float deliveredPower = deliveredPowerKW(torque, n);
  const float thrust = intPow(task.diameter, 4) * design.kt * task.rho * intPow(n, 2);

  printSeriesUsed(io, task.seriesType);
  reportDesignConditions(io, thrust / 1000.0f, task.advanceSpeed, task.rho, propeller.bladeCount,
                         task.areaRatio, task.diameter);
  reportPropellerCoefficients(io, pitch, advance, design.kt, design.kq, design.eta0, task.bp,
                              task.delta);
  reportRevolutionsAndPower(io, n, task.rpm, torque / 1000.0f, deliveredPower);
  printViscousNote(io, task.viscousFlag);
  return Outcome::Solved;
}

}  // namespace helisolv
