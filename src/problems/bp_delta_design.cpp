// Bp-delta design (problem type 7). The given delta fixes the advance
// coefficient J; the open-water characteristics are tabulated over pitch ratio
// at that J together with the Bp each pitch ratio would absorb, and the pitch
// ratio whose Bp equals the given one is read off the table. The chosen
// propeller is evaluated once more and its thrust, torque and power reported.

#include <string_view>

#include "driver/record.hpp"
#include "driver/report_lines.hpp"
#include "export/data_export.hpp"
#include "io/writer.hpp"
#include "numeric/interpolate.hpp"
#include "problems/design_report.hpp"
#include "problems/solvers.hpp"
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

Outcome solveBpDeltaDesign() {
  // delta divides into J: a zero or negative delta has no propeller.
  checkPositive("delta", rec.delta);

  rec.advanceRatio = advanceFromDelta(rec.delta);
  const float j = rec.advanceRatio;
  const float kqGiven = kqFromBp(rec.bp, j);

  report("(//5X,'Pervane Karakteristikleri '/)");
  report("(2X,'Bp=',F7.3,', Delta=',F6.2,', J=',F6.3,             ', 10Kq=',F6.3//)",
         {rec.bp, rec.delta, j, 10.0f * kqGiven});
  reportFree({kRule});
  reportFree({kTitles});
  reportFree({kRule});

  // One row per pitch ratio whose Kt at this J is not negative, numbered
  // consecutively. The pitch ratio and Bp columns are kept for the reading
  // of the table; element 0 is unused.
  float rowPitch[kCapacity + 1] = {};
  float rowBp[kCapacity + 1] = {};
  int rowCount = 0;
  float pitch = kFirstPitch;
  for (int pass = 1; pass <= kMaxPasses; ++pass) {
    if (pitch > kLastPitch) break;
    evalOpenWater(pitch, rec.areaRatio, rec.bladeCount);
    if (!(rec.kt < 0.0f)) {
      ++rowCount;
      rowPitch[rowCount] = pitch;
      rowBp[rowCount] = powerCoefficientBp(rec.kq, rec.advanceRatio);
      report("(1X,I2,F8.3,3F9.4,4X,2(F10.4,3X))",
             {rowCount, pitch, rec.kt, 10.0f * rec.kq, rec.eta0, rowBp[rowCount],
              deltaFromAdvance(rec.advanceRatio)});
      data::row(data::Table::BpDelta, {pitch, rec.kt, rec.kq, rec.eta0, rowBp[rowCount],
                                       deltaFromAdvance(rec.advanceRatio)});
    }
    pitch = pitch + kPitchStep;
  }
  reportFree({kRule});

  if (rowCount < kMinRows) {
    report("(/,/,3X,'HESAP YAPILACAK SAYI 3 DEN AZ OLDUGU ICIN PROGRAM CALISMASI DURDURULDU')");
    report("(3X,' ISON = ',I3)", {rowCount});
    return Outcome::Refused;
  }

  // The pitch ratio at which the tabulated Bp equals the given one. Outside
  // the Bp column there is no such propeller: say so on both outputs rather
  // than report the pitch ratio the table loop happened to end with.
  interpolate(rowCount, rowBp, rowPitch, rec.bp, pitch, kCapacity);
  if (!(rec.bp >= rowBp[1] && rec.bp <= rowBp[rowCount])) {
    report("(/,/,3X,'VERILEN Bp DEGERI TABLO SINIRLARI DISINDA - HESAP YAPILAMADI')");
    report("(3X,' Bp = ',F8.3)", {rec.bp});
    return Outcome::Refused;
  }
  evalOpenWater(pitch, rec.areaRatio, rec.bladeCount);

  // Diameter, density and revolutions are the given ones; they play no part in
  // the choice of the pitch ratio. The thrust stays in the record in N.
  const float n = revsPerSecond(rec.rpm);
  const float torque = intPow(rec.diameter, 5) * rec.kq * rec.rho * intPow(n, 2);
  const float deliveredPower = deliveredPowerKW(torque, n);
  rec.thrust = intPow(rec.diameter, 4) * rec.kt * rec.rho * intPow(n, 2);

  printSeriesUsed(rec.seriesType);
  reportDesignConditions(rec.thrust / 1000.0f);
  reportPropellerCoefficients(pitch, rec.advanceRatio, rec.kt, rec.kq, rec.eta0, rec.bp, rec.delta);
  reportRevolutionsAndPower(n, rec.rpm, torque / 1000.0f, deliveredPower);
  printViscousNote();
  return Outcome::Solved;
}

}  // namespace helisolv
