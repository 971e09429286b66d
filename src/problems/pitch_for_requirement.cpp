// Pitch ratio for a required thrust (type 8), delivered power (type 9) or torque
// (type 10). Diameter, revolutions, blade number, area ratio and speed of advance
// are fixed; the solver tabulates the required quantity against P/D at the
// operating J, finds the P/D that meets the requirement on a cubic spline through
// that table, prints the open-water characteristics of the resulting propeller
// with the design point marked, a summary, the blade-area and tip-speed checks
// and the table over area ratio. The three types share one sequence; what sets
// them apart is gathered in one description per type.

#include <climits>
#include <cmath>

#include "driver/record.hpp"
#include "driver/report_lines.hpp"
#include "export/data_export.hpp"
#include "io/reader.hpp"
#include "io/writer.hpp"
#include "numeric/spline.hpp"
#include "problems/blade_area_checks.hpp"
#include "problems/solvers.hpp"
#include "series/formulas.hpp"
#include "series/series.hpp"

namespace helisolv {

namespace {

constexpr float kPitchStep = 0.1f;

// Open-water table of the designed propeller: J from 0.05 in steps of 0.025.
constexpr float kGridFirst = 0.05f;
constexpr float kGridLast = 1.5f;
constexpr float kGridStep = 0.025f;

// The texts and layouts in which the three problem types differ.
struct RequirementReport {
  Requirement quantity;
  bool pauseBeforeSweep;
  const char* sweepTitle;
  const char* sweepHead;
  const char* sweepRow;
  const char* requirementLine;
  const char* outOfRange;
  const char* pitchLine;
};

constexpr RequirementReport kThrustReport{
    Requirement::Thrust,
    true,
    "Pic degisimine bagli pervane itme kuvvetleri",
    "  i   P/D     T(kN)  ",
    "(1X,I2,2X,F6.3,2X,F7.2)",
    "(1X,'Istenen pervane itme kuvveti - T = ', F7.2, ' kN dur.')",
    "(1X,'Itme sinirlari disindasiniz - Baska dizayn yapiniz - STOP')",
    "(1X,'Istenen itmeyi saglayan pic orani P/D = ', F6.3,   ' olarak hesaplanmistir.')",
};

constexpr RequirementReport kPowerReport{
    Requirement::Power,
    false,
    "Pic degisimine bagli pervaneye verilen gucler",
    "  i   P/D     Pd(kW)  ",
    "(1X,I2,2X,F6.3,3X,F7.1)",
    "(1X,'Pervaneye verilen guc - Pd = ', F7.2, ' kW')",
    "(1X,'Guc sinirlari disindasiniz - Baska dizayn yapiniz  - STOP')",
    "(1X,'Istenen gucu saglayan pic orani P/D = ', F6.3,     ' olarak hesaplanmistir.')",
};

// The torque table keeps the power table's title and the requirement line's
// unit text " kW", as the report has always printed them.
constexpr RequirementReport kTorqueReport{
    Requirement::Torque,
    false,
    "Pic degisimine bagli pervaneye verilen gucler",
    "  i    P/D    Q(kNm)  ",
    "(1X,I2,2X,F6.3,2X,F7.2)",
    "(1X,'Pervaneye verilen moment - Q = ', F7.2, ' kW')",
    "(1X,'Moment sinirlari disindasiniz - Baska dizayn yapiniz - STOP')",
    "(1X,'Istenen momenti saglayan pic orani P/D = ', F6.3,  ' olarak hesaplanmistir.')",
};

// The requirement in the unit of its sweep: N for thrust, kW for power, kN m for
// torque (the torque is held in the power's field of the record).
float requiredValue(Requirement quantity) {
  return quantity == Requirement::Thrust ? rec.thrust * 1000.0f : rec.powerW / 1000.0f;
}

// Thrust T = Kt rho n^2 D^4 (N) and torque Q = Kq rho n^2 D^5 (N m). These
// problems have always taken the powers as real powers; multiplying them out
// rounds differently and can move the design pitch in its last place.
float thrustRealPowers(float kt, float rho, float n, float d) {
  return kt * rho * realPow(n, 2.0f) * realPow(d, 4.0f);
}
float torqueRealPowers(float kq, float rho, float n, float d) {
  return kq * rho * realPow(n, 2.0f) * realPow(d, 5.0f);
}
// The summary writes the same two as rho n^2 D^4 Kt and rho n^2 D^5 Kq: the
// products round differently and can move the last printed digit of TORK.
float summaryThrust(float kt, float rho, float n, float d) {
  return rho * realPow(n, 2.0f) * realPow(d, 4.0f) * kt;
}
float summaryTorque(float kq, float rho, float n, float d) {
  return rho * realPow(n, 2.0f) * realPow(d, 5.0f) * kq;
}

void reportInputs() {
  report("(//1X,'Pervane Ilerleme Katsayisi - J = ',F6.3)", {rec.advanceRatio});
  data::result("J", rec.advanceRatio);
  report("(  1X,'Pervane Capi               - D = ',F6.3,' m')", {rec.diameter});
  report("(  1X,'Pervane Devri              - N = ',F6.1,' RPM')", {rec.rpm});
  report("(  1X,'Pervane Kanat Sayisi       - Z = ',I2.1)", {truncToInt(rec.bladeCount)});
  report("(  1X,'Pervane Acinim Alan Orani - Ae = ',F6.3)", {rec.areaRatio});
  report("(  1X,'Pervane Saft Derinligi    - Hs = ',F6.3,' m')", {rec.shaftDepth});
  reportFree();
  reportFree();
}

// The sweep table in kN, kW or kN m, closed by the requirement line.
void reportSweep(const RequirementReport& r, const PitchSweep& sweep, float required) {
  const float toShown = r.quantity == Requirement::Thrust ? 1000.0f : 1.0f;
  reportFree({r.sweepTitle});
  reportFree({"---|-------|--------|"});
  reportFree({r.sweepHead});
  reportFree({"---|-------|--------|"});
  for (int i = 1; i <= sweep.count; ++i)
    report(r.sweepRow, {i, sweep.pitch[i], sweep.value[i] / toShown});
  for (int i = 1; i <= sweep.count; ++i)
    data::row(data::Table::PitchSweep, {sweep.pitch[i], sweep.value[i] / toShown});
  reportFree({"---|-------|--------|"});
  report(r.requirementLine, {required / toShown});
}

// Open-water characteristics of the designed propeller on the J grid, with the
// design point inserted (marked **D**) after the grid row just below it.
void reportOpenWaterTable(float designJ) {
  report("(//5X,'Pervane Acik Su Karakteristikleri ')");
  reportFree({"---|-------|--------|---------|--------|------------|------------|"});
  reportFree({" i     J       Kt      10Kq      eta0         Bp         delta"});
  reportFree({"---|-------|--------|---------|--------|------------|------------|"});
  const int passes = sweepPassCount(kGridFirst, kGridLast, kGridStep, 100);
  int row = 0;
  float j = kGridFirst;
  for (int pass = 0; pass < passes; ++pass, j = j + kGridStep) {
    rec.advanceRatio = j;
    evalOpenWater(rec.pitchRatio, rec.areaRatio, rec.bladeCount);
    if (rec.kt < 0.0f) continue;  // no row where the propeller gives no thrust
    ++row;
    report("(1X,I2,F8.3,3F9.4,4X,2(F10.4,3X))",
           {row, j, rec.kt, 10.0f * rec.kq, rec.eta0, powerCoefficientBp(rec.kq, j),
            deltaFromAdvance(j)});
    data::row(data::Table::OpenWater,
              {j, rec.kt, rec.kq, rec.eta0, powerCoefficientBp(rec.kq, j), deltaFromAdvance(j)});
    if (j < designJ && designJ < j + kGridStep) {
      ++row;
      rec.advanceRatio = designJ;
      evalOpenWater(rec.pitchRatio, rec.areaRatio, rec.bladeCount);
      report("(1X,I2,F8.3,3F9.4,4x,2(F10.4,3X),'**D**')",
             {row, designJ, rec.kt, 10.0f * rec.kq, rec.eta0, powerCoefficientBp(rec.kq, designJ),
              deltaFromAdvance(designJ)});
      data::row(data::Table::OpenWater,
                {designJ, rec.kt, rec.kq, rec.eta0, powerCoefficientBp(rec.kq, designJ),
                 deltaFromAdvance(designJ)});
      data::markRow(data::Table::OpenWater, 0);
    }
  }
  reportFree({"---|-------|--------|---------|--------|------------|------------|"});
}

void solvePitchFor(const RequirementReport& r) {
  // Diameter, revolutions and density divide the formulas below.
  checkPositive("D", rec.diameter);
  checkPositive("N", rec.rpm);
  checkPositive("RHO", rec.rho);

  // Without an area ratio only the table over the listed area ratios is asked
  // for, computed without the viscous correction, with the requirement held.
  if (std::fabs(rec.areaRatio) < 0.001f) {
    rec.viscousFlag = 0;
    reportAreaRatioTable(r.quantity, requiredValue(r.quantity));
    return;
  }
  checkAreaRatio();

  const float n = revsPerSecond(rec.rpm);
  const float d = rec.diameter;
  const float rho = rec.rho;
  rec.advanceRatio = advanceCoefficient(rec.advanceSpeed, n, d);
  reportInputs();
  if (r.pauseBeforeSweep) {
    pause(" DEVAM ICIN ENTER TUSUNA BASINIZ ");
    for (int i = 0; i < 3; ++i) writeFree(Unit::Default, {" "});
  }

  PitchSweep sweep;
  sweepPitch(r.quantity, sweep);
  const float required = requiredValue(r.quantity);
  reportSweep(r, sweep, required);
  if (!requirementInRange(sweep, required)) {
    report(r.outOfRange);
    stop(Outcome::Refused);
  }

  // The design point: the pitch that meets the requirement at the operating J.
  rec.pitchRatio = pitchForRequirement(sweep, required);
  evalOpenWater(rec.pitchRatio, rec.areaRatio, rec.bladeCount);
  const float designKt = rec.kt;
  const float designKq = rec.kq;
  const float designJ = rec.advanceRatio;
  report(r.pitchLine, {rec.pitchRatio});
  data::result("pitch ratio", rec.pitchRatio);
  if (r.quantity == Requirement::Thrust)
    report("(' Pervaneye verilen guc - Pd = ',F8.2,                ' kW' )",
           {deliveredPowerKW(torqueRealPowers(designKq, rho, n, d), n)});
  if (r.quantity == Requirement::Power)
    report("(' Pervane itme kuvveti  - T = ',F8.3,                 ' kN' )",
           {thrustRealPowers(designKt, rho, n, d) / 1000.0f});
  if (r.quantity == Requirement::Power)
    data::result("thrust", thrustRealPowers(designKt, rho, n, d) / 1000.0f, "kN");
  pageBreak();

  reportOpenWaterTable(designJ);

  printSeriesUsed(rec.seriesType);
  const float torque = summaryTorque(designKq, rho, n, d);
  const float power = deliveredPowerKW(torque, n);
  // Power and torque designs judge the blades by the thrust they deliver, in kN.
  if (r.quantity != Requirement::Thrust) rec.thrust = summaryThrust(designKt, rho, n, d) / 1000.0f;
  report("(1X,'Z = ',I2,' EAR = ',F5.3,' P/D = ',F5.3)",
         {truncToInt(rec.bladeCount), rec.areaRatio, rec.pitchRatio});
  data::result("blades", truncToInt(rec.bladeCount));
  data::result("area ratio", rec.areaRatio);
  report("(' TORK=',F8.3,' kNm',1X,'Pd=',F7.1,' kW')", {torque / 1000.0f, power});
  data::result("torque", torque / 1000.0f, "kN m");
  data::result("delivered power", power, "kW");

  reportBladeAreaChecks(rec.thrust, r.quantity != Requirement::Thrust);
  reportAreaRatioTable(rec.thrust);
}

}  // namespace

void sweepPitch(Requirement quantity, PitchSweep& sweep) {
  const float n = revsPerSecond(rec.rpm);
  const float d = rec.diameter;
  const float rho = rec.rho;
  sweep.count = 0;
  const int passes = sweepPassCount(rec.pdMin, rec.pdMax, kPitchStep, kSweepCapacity);
  float pd = rec.pdMin;
  for (int pass = 0; pass < passes; ++pass, pd = pd + kPitchStep) {
    evalOpenWater(pd, rec.areaRatio, rec.bladeCount);
    if (rec.kt < 0.0f) continue;  // a pitch that gives no thrust is left out
    float value = 0.0f;
    switch (quantity) {
      case Requirement::Thrust:
        value = thrustRealPowers(rec.kt, rho, n, d);
        break;
      case Requirement::Power:
        value = deliveredPowerKW(torqueRealPowers(rec.kq, rho, n, d), n);
        break;
      case Requirement::Torque:
        value = torqueRealPowers(rec.kq, rho, n, d) / 1000.0f;
        break;
    }
    ++sweep.count;
    sweep.pitch[sweep.count] = pd;
    sweep.value[sweep.count] = value;
  }
}

bool requirementInRange(const PitchSweep& sweep, float required) {
  // Written so that a table value that is not a number is out of range too.
  return sweep.count > 0 && sweep.value[1] <= required && required <= sweep.value[sweep.count];
}

float pitchForRequirement(const PitchSweep& sweep, float required) {
  // A single row is in range only when it meets the requirement exactly; the
  // spline needs two rows.
  if (sweep.count == 1) return sweep.pitch[1];
  // Should the search find no sign change (the spline at the last row may miss
  // that row's value by a rounding), it leaves the root alone: start from the
  // end of the table nearer the requirement.
  float root = (required - sweep.value[1] <= sweep.value[sweep.count] - required)
                   ? sweep.pitch[1]
                   : sweep.pitch[sweep.count];
  findRoot(sweep.count, sweep.pitch.data(), sweep.value.data(), required, root, kSweepCapacity);
  return root;
}

Outcome solvePitchForThrust() {
  solvePitchFor(kThrustReport);
  return Outcome::Solved;
}
Outcome solvePitchForPower() {
  solvePitchFor(kPowerReport);
  return Outcome::Solved;
}
Outcome solvePitchForTorque() {
  solvePitchFor(kTorqueReport);
  return Outcome::Solved;
}

}  // namespace helisolv
