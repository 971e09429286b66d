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

#include "export/data_export.hpp"
#include "io/reader.hpp"
#include "io/run_control.hpp"
#include "io/writer.hpp"
#include "problems/blade_area_checks.hpp"
#include "problems/ground_warnings.hpp"
#include "problems/report_lines.hpp"
#include "problems/solvers.hpp"
#include "problems/table_search.hpp"
#include "report/item.hpp"
#include "series/formulas.hpp"
#include "series/series.hpp"

namespace helisolv {

namespace {

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
// torque. Power and torque go through W and N m, as they always have: the
// round trip can move the last bit of the requirement, and with it the design.
float requiredValue(const Task& task, Requirement quantity) {
  switch (quantity) {
    case Requirement::Thrust:
      return task.thrust * 1000.0f;
    case Requirement::Power:
      return task.powerW / 1000.0f;
    case Requirement::Torque:
      break;
  }
  return task.torqueKNm * 1000.0f / 1000.0f;
}

// The summary writes the same two as rho n^2 D^4 Kt and rho n^2 D^5 Kq: the
// products round differently and can move the last printed digit of TORK.
float summaryThrust(float kt, float rho, float n, float d) {
  return rho * realPow(n, 2.0f) * realPow(d, 4.0f) * kt;
}
float summaryTorque(float kq, float rho, float n, float d) {
  return rho * realPow(n, 2.0f) * realPow(d, 5.0f) * kq;
}

void reportInputs(Session& io, const Task& task, float advance) {
  emit(io, "(//1X,'Pervane Ilerleme Katsayisi - J = ',F6.3)", {quantity("J", advance)});
  report(io, "(  1X,'Pervane Capi               - D = ',F6.3,' m')", {task.diameter});
  report(io, "(  1X,'Pervane Devri              - N = ',F6.1,' RPM')", {task.rpm});
  report(io, "(  1X,'Pervane Kanat Sayisi       - Z = ',I2.1)", {truncToInt(task.bladeCount)});
  report(io, "(  1X,'Pervane Acinim Alan Orani - Ae = ',F6.3)", {task.areaRatio});
  report(io, "(  1X,'Pervane Saft Derinligi    - Hs = ',F6.3,' m')", {task.shaftDepth});
  reportFree(io);
  reportFree(io);
}

// The sweep's values are in N for thrust, in the task's unit otherwise.
float shownUnits(Requirement quantity) {
  return quantity == Requirement::Thrust ? 1000.0f : 1.0f;
}

// The sweep table in kN, kW or kN m, closed by the requirement line.
void reportSweep(Session& io, const RequirementReport& r, const PitchSweep& sweep, float required) {
  const float toShown = shownUnits(r.quantity);
  reportFree(io, {r.sweepTitle});
  reportFree(io, {"---|-------|--------|"});
  reportFree(io, {r.sweepHead});
  reportFree(io, {"---|-------|--------|"});
  for (int i = 1; i <= sweep.count; ++i)
    emitRow(io, data::Table::PitchSweep, r.sweepRow,
            {shown(i), column(sweep.pitch[i]), column(sweep.value[i] / toShown)});
  reportFree(io, {"---|-------|--------|"});
  report(io, r.requirementLine, {required / toShown});
}

// Open-water characteristics of the designed propeller on the J grid, with the
// design point inserted (marked **D**) after the grid row just below it.
void reportOpenWaterTable(Session& io, const PitchProblem& problem, float designJ) {
  report(io, "(//5X,'Pervane Acik Su Karakteristikleri ')");
  reportFree(io, {"---|-------|--------|---------|--------|------------|------------|"});
  reportFree(io, {" i     J       Kt      10Kq      eta0         Bp         delta"});
  reportFree(io, {"---|-------|--------|---------|--------|------------|------------|"});
  const int passes = sweepPassCount(kGridFirst, kGridLast, kGridStep, 100);
  int row = 0;
  float j = kGridFirst;
  for (int pass = 0; pass < passes; ++pass, j = j + kGridStep) {
    const OpenWaterPoint p = problem.evaluate(problem.propeller, j);
    if (p.kt < 0.0f) continue;  // no row where the propeller gives no thrust
    ++row;
    emitRow(io, data::Table::OpenWater, "(1X,I2,F8.3,3F9.4,4X,2(F10.4,3X))",
            {shown(row), column(j), column(p.kt), tenfoldKqColumn(p.kq), column(p.eta0),
             column(powerCoefficientBp(p.kq, j)), column(deltaFromAdvance(j))});
    if (j < designJ && designJ < j + kGridStep) {
      ++row;
      const OpenWaterPoint d = problem.evaluate(problem.propeller, designJ);
      emitRow(io, data::Table::OpenWater, "(1X,I2,F8.3,3F9.4,4x,2(F10.4,3X),'**D**')",
              {shown(row), column(designJ), column(d.kt), tenfoldKqColumn(d.kq), column(d.eta0),
               column(powerCoefficientBp(d.kq, designJ)), column(deltaFromAdvance(designJ))});
      data::markRow(io, data::Table::OpenWater, 0);
    }
  }
  reportFree(io, {"---|-------|--------|---------|--------|------------|------------|"});
}

void solvePitchFor(const RequirementReport& r, const Task& task, const ModelOptions& models,
                   Session& io) {
  // Diameter, revolutions and density divide the formulas below.
  checkPositive(io, "D", task.diameter);
  checkPositive(io, "N", task.rpm);
  checkPositive(io, "RHO", task.rho);

  PitchProblem problem{
      task,
      evaluatorFor(io, task, models, task.viscousFlag, task.diameter, task.advanceSpeed, task.rpm),
      {task.bladeCount, task.areaRatio, task.pitchRatio}};

  // Without an area ratio only the table over the listed area ratios is asked
  // for, computed without the viscous correction, with the requirement held.
  if (std::fabs(task.areaRatio) < 0.001f) {
    warnBladeCount(io, task.seriesType, task.bladeCount);
    problem.evaluate.correction.viscousFlag = 0;
    data::viscousFlag(io, 0);
    reportAreaRatioTable(io, problem, r.quantity, requiredValue(task, r.quantity));
    return;
  }
  checkAreaRatio(io, task.seriesType, task.areaRatio);
  warnBladesAndAreaRatio(io, task.seriesType, task.bladeCount, task.areaRatio);
  warnCorrection(io, task.seriesType, problem.evaluate.correction);

  const float n = revsPerSecond(task.rpm);
  const float d = task.diameter;
  const float rho = task.rho;
  const float operatingJ = advanceCoefficient(task.advanceSpeed, n, d);
  warnRevolutionsUnit(io, task.rpm, d);
  warnAdvanceBeyondSeries(io, problem.evaluate.model, task.bladeCount, task.areaRatio, operatingJ,
                          task.advanceSpeed, task.rpm);
  reportInputs(io, task, operatingJ);
  if (r.pauseBeforeSweep) {
    pause(io, " DEVAM ICIN ENTER TUSUNA BASINIZ ");
    for (int i = 0; i < 3; ++i) writeFree(io, Unit::Default, {" "});
  }

  PitchSweep sweep;
  const float sweptJ = sweepPitch(r.quantity, problem, operatingJ, sweep);
  const float required = requiredValue(task, r.quantity);
  reportSweep(io, r, sweep, required);
  warnRequirementUnits(io, r.quantity, required / shownUnits(r.quantity),
                       largestValue(sweep) / shownUnits(r.quantity));
  if (!requirementInRange(sweep, required)) {
    // The requirement's line above the message is the first part of its reason.
    handRefusal(io, r.requirementLine, {shown(required / shownUnits(r.quantity))});
    emitRefusal(io, r.outOfRange);
    stop(io, Outcome::Refused);
  }

  // The design point: the pitch that meets the requirement at the operating J.
  problem.propeller.pitchRatio = pitchForRequirement(io, sweep, required);
  const OpenWaterPoint design = problem.evaluate(problem.propeller, sweptJ);
  const float designKt = design.kt;
  const float designKq = design.kq;
  const float designJ = design.advanceRatio;
  const float pitchRatio = problem.propeller.pitchRatio;
  warnPitchRatio(io, task.seriesType, pitchRatio);
  warnPitchAtTableEnd(io, pitchRatio, sweep.pitch[1], sweep.pitch[sweep.count], "requirement");
  warnGawnRegressionAt(io, problem.evaluate.model, pitchRatio, task.areaRatio, designJ);
  emit(io, r.pitchLine, {quantity("pitch ratio", pitchRatio)});
  if (r.quantity == Requirement::Thrust)
    report(io, "(' Pervaneye verilen guc - Pd = ',F8.2,                ' kW' )",
           {deliveredPowerKW(torqueRealPowers(designKq, rho, n, d), n)});
  if (r.quantity == Requirement::Power)
    emit(io, "(' Pervane itme kuvveti  - T = ',F8.3,                 ' kN' )",
         {quantity("thrust", thrustRealPowers(designKt, rho, n, d) / 1000.0f, "kN")});
  pageBreak(io);

  reportOpenWaterTable(io, problem, designJ);

  printSeriesUsed(io, task.seriesType);
  const float torque = summaryTorque(designKq, rho, n, d);
  const float power = deliveredPowerKW(torque, n);
  // Power and torque designs judge the blades by the thrust they deliver, in kN.
  const float thrustKN = r.quantity != Requirement::Thrust
                             ? summaryThrust(designKt, rho, n, d) / 1000.0f
                             : task.thrust;
  emit(io, "(1X,'Z = ',I2,' EAR = ',F5.3,' P/D = ',F5.3)",
       {quantity("blades", truncToInt(problem.propeller.bladeCount)),
        quantity("area ratio", problem.propeller.areaRatio), shown(pitchRatio)});
  emit(io, "(' TORK=',F8.3,' kNm',1X,'Pd=',F7.1,' kW')",
       {quantity("torque", torque / 1000.0f, "kN m"), quantity("delivered power", power, "kW")});

  reportBladeAreaChecks(io, problem, thrustKN, r.quantity != Requirement::Thrust);
  reportAreaRatioTable(io, problem, thrustKN);
}

}  // namespace

Outcome solvePitchForThrust(const Task& task, const ModelOptions& models, Session& io) {
  solvePitchFor(kThrustReport, task, models, io);
  return Outcome::Solved;
}
Outcome solvePitchForPower(const Task& task, const ModelOptions& models, Session& io) {
  solvePitchFor(kPowerReport, task, models, io);
  return Outcome::Solved;
}
Outcome solvePitchForTorque(const Task& task, const ModelOptions& models, Session& io) {
  solvePitchFor(kTorqueReport, task, models, io);
  return Outcome::Solved;
}

}  // namespace helisolv
