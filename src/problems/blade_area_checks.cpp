// Blade-area and tip-speed checks of a propeller designed for a required thrust,
// power or torque, and the table of pitch ratio and efficiency over area ratio.
// The checks only report figures; none of them changes the design.

#include "problems/blade_area_checks.hpp"

#include <algorithm>
#include <limits>
#include <span>
#include <string_view>

#include "criteria/burrill_chart.hpp"
#include "export/data_export.hpp"
#include "helisolv/criteria.hpp"
#include "io/reader.hpp"
#include "io/run_control.hpp"
#include "io/writer.hpp"
#include "problems/ground_warnings.hpp"
#include "problems/report_lines.hpp"
#include "problems/table_search.hpp"
#include "report/item.hpp"
#include "series/formulas.hpp"
#include "series/series.hpp"

namespace helisolv {

namespace {

// Keller's allowance k for each class of ship is added to the minimum area ratio.
constexpr float kSingleScrew = kKellerSingleScrew;
constexpr float kSlowTwinScrew = kKellerSlowTwinScrew;

// The area ratios of the table, in the order printed.
constexpr float kAreaRatios[] = {0.40f, 0.45f, 0.50f, 0.55f, 0.60f, 0.65f, 0.70f, 0.75f,
                                 0.80f, 0.85f, 0.90f, 0.95f, 1.00f, 1.05f, 1.10f};
constexpr int kAreaRatioRows = static_cast<int>(sizeof(kAreaRatios) / sizeof(kAreaRatios[0]));

// Minimum area ratio of a charted Burrill line. Off the chart the table
// interpolation reports on the console, as it always has, and the minimum is
// not a number, which prints as a field of asterisks.
float burrillMinimum(Session& io, BurrillCurve line, const PitchProblem& problem, float thrustKN,
                     float sigma) {
  const Task& t = problem.task;
  const BurrillReading r = burrillMinAreaRatio(line, thrustKN, t.advanceSpeed, t.rpm, t.diameter,
                                               problem.propeller.pitchRatio, t.shaftDepth, t.rho);
  if (r.onChart()) return r.value;
  float tau = std::numeric_limits<float>::quiet_NaN();
  const bool low = line == BurrillCurve::BackCavitation2_5;
  interpolate(io, low ? burrill::k25Points : burrill::k50Points,
              low ? burrill::k25Sigma : burrill::k50Sigma, low ? burrill::k25Tau : burrill::k50Tau,
              sigma, tau, low ? burrill::k25Points : burrill::k50Points);
  return std::numeric_limits<float>::quiet_NaN();
}

// The names of the chart's lines.
constexpr std::string_view kLine25 = "2.5% back cavitation";
constexpr std::string_view kLine50 = "5% back cavitation";
constexpr std::string_view kUpper = "recommended upper limit";

// The three lines of Burrill's chart for the data export: the two charted
// ones point by point, the recommended upper limit sampled.
void exportBurrillLines(Session& io) {
  using namespace burrill;
  for (int i = 1; i <= k25Points; ++i)
    data::row(io, data::Table::BurrillLines, {kLine25, k25Sigma[i], k25Tau[i]});
  for (int i = 1; i <= k50Points; ++i)
    data::row(io, data::Table::BurrillLines, {kLine50, k50Sigma[i], k50Tau[i]});
  for (int h = kUpperLimitFirst; h <= kUpperLimitLast; h += kUpperLimitStep) {
    const float sigma = static_cast<float>(h) / 100.0f;
    data::row(io, data::Table::BurrillLines,
              {kUpper, sigma, burrillLoading(BurrillCurve::UpperLimit, sigma).value});
  }
}

void reportRule(Session& io) {
  reportFree(io);
  report(io, "(1X,72('-'))");
  reportFree(io);
}

}  // namespace

void pageBreak(Session& io) {
  writeFree(io, Unit::Default, {" "});
  pause(io, " DEVAM ICIN ENTER TUSUNA BASINIZ ");
  writeFree(io, Unit::Default, {" "});
}

void reportBladeAreaChecks(Session& io, const PitchProblem& problem, float thrustKN,
                           bool burrillForGawn) {
  const Task& task = problem.task;
  const float rpm = task.rpm;
  const float d = task.diameter;
  const float rho = task.rho;
  const float depth = task.shaftDepth;
  const float areaRatio = problem.propeller.areaRatio;

  const bool burrill = task.seriesType != Series::Gawn || burrillForGawn;
  float sigma = 0.0f;
  float loading = 0.0f;
  float minEar25 = 0.0f;
  float minEar50 = 0.0f;
  float minEarUpper = 0.0f;
  if (burrill) {
    sigma = sigma07R(task.advanceSpeed, rpm, d, depth, rho);
    loading =
        tauC(thrustKN, task.advanceSpeed, rpm, d, problem.propeller.pitchRatio, areaRatio, rho);
    // Below the first point of the 2.5 % line no area is asked for.
    if (sigma >= burrillFirstSigma(BurrillCurve::BackCavitation2_5))
      minEar25 = burrillMinimum(io, BurrillCurve::BackCavitation2_5, problem, thrustKN, sigma);
    minEar50 = burrillMinimum(io, BurrillCurve::BackCavitation5, problem, thrustKN, sigma);
    minEarUpper = burrillMinAreaRatio(BurrillCurve::UpperLimit, thrustKN, task.advanceSpeed, rpm, d,
                                      problem.propeller.pitchRatio, depth, rho)
                      .value;
  }

  const float keller = kellerMinAreaRatio(thrustKN, d, depth, problem.propeller.bladeCount, rho);
  const float tipSpeed = bladeTipSpeed(rpm, d);

  warnNegativeShaftDepth(io, depth);
  if (burrill) {
    const BurrillLine lines[] = {
        {kLine25, burrillFirstSigma(BurrillCurve::BackCavitation2_5),
         burrillLastSigma(BurrillCurve::BackCavitation2_5)},
        {kLine50, burrillFirstSigma(BurrillCurve::BackCavitation5),
         burrillLastSigma(BurrillCurve::BackCavitation5)},
    };
    warnBurrillOffChart(io, sigma, lines);
    warnBelowBurrillMinimum(io, areaRatio, minEar50);
  }
  warnBelowKellerMinimum(io, areaRatio, keller, keller + kSlowTwinScrew, keller + kSingleScrew);
  warnTipSpeed(io, tipSpeed);

  // One row of the blade checks' table, its values printed over the lines below.
  RowBlock checks(io, data::Table::BladeChecks);
  reportRule(io);
  if (burrill) {
    report(io,
           "(1X,                                                    "
           "'BURRIL KAVITASYON KRITERINE GORE ACINIM ALANI KONTROLU')");
    checks.line("(1X,'Mevcut EAR = ',F6.3,' =>  ','Sigma = ',         F5.3,' Tauc = ',F5.3)",
                {column(areaRatio), column(sigma), column(loading)});
    checks.line("(1X,'%2.5 Sirt Kavitasyon Hattina Gore Min. EAR = ',  F5.3)", {column(minEar25)});
    checks.line("(1X,'%5.0 Sirt Kavitasyon Hattina Gore Min. EAR = ',  F5.3)", {column(minEar50)});
    checks.line("(1X,'Tavsiye edilen ust sinir icin Minimum  EAR = ',  F5.3)",
                {column(minEarUpper)});
    reportRule(io);
  } else {
    checks.skip(6);
  }
  report(io,
         "(1X,                                                    "
         "'KELLER KRITERINE GORE ACINIM ALANI KONTROLU')");
  checks.line("(1X,'Min. EAR = ',F5.3,' + k ')", {column(keller)});
  checks.line("(1X,'     EAR = ',F5.3,' -> Tek pervaneli gemiler    ')",
              {column(keller + kSingleScrew)});
  checks.line("(1X,'     EAR = ',F5.3,' -> Hizli askeri gemiler (cift pervaneli.)')",
              {column(keller)});
  checks.line("(1X,'     EAR = ',F5.3,' -> Yavas ticari gemiler (cift pervaneli.)')",
              {column(keller + kSlowTwinScrew)});
  reportRule(io);
  report(io,
         "(1X,                                                    "
         "'KANAT UCU HIZINA GORE KANAT UCU GIRDABI TEHLIKESI KONTROLU')");
  checks.line("(1X,'Vtip = ',F6.3,' m/s',2X,'(Vtip - Kanat ucu hizi < 30 m/s olmali)')",
              {column(tipSpeed)});
  checks.finish();
  if (burrill) exportBurrillLines(io);
  pageBreak(io);
}

void reportAreaRatioTable(Session& io, PitchProblem& problem, Requirement held, float required) {
  const Task& task = problem.task;
  float ratio[kAreaRatioRows + 1] = {};
  float pitch[kAreaRatioRows + 1] = {};
  float efficiency[kAreaRatioRows + 1] = {};
  int rows = 0;

  PitchSweep sweep;
  // The largest value any sweep reached: a requirement a hundred times that
  // was given in the wrong unit.
  float largest = 0.0f;
  for (float listed : kAreaRatios) {
    const float advance =
        advanceCoefficient(task.advanceSpeed, revsPerSecond(task.rpm), task.diameter);
    problem.propeller.areaRatio = listed;
    const float evaluated = sweepPitch(held, problem, advance, sweep);
    largest = std::max(largest, largestValue(sweep));
    // An area ratio whose sweep does not reach the requirement gets no row.
    if (!requirementInRange(sweep, required)) continue;
    float pd = pitchForRequirement(io, sweep, required);
    Propeller propeller = problem.propeller;
    propeller.pitchRatio = pd;
    const OpenWaterPoint p = problem.evaluate(propeller, evaluated);
    ++rows;
    ratio[rows] = listed;
    pitch[rows] = pd;
    efficiency[rows] = p.eta0;
  }

  report(io, "(2/)");
  reportFree(io, {"Acinim alani orani Ae degisimine bagli pervane verimleri"});
  reportFree(io, {"    ---|-------|-------|-------|"});
  reportFree(io, {"     i     Ae     P/D    Eta0  |"});
  reportFree(io, {"    ---|-------|-------|-------|"});
  const float blades = problem.propeller.bladeCount;
  for (int i = 1; i <= rows; ++i)
    emitRow(io, data::Table::AreaRatio, "(6X,I2,1X,3(F6.3,2X))",
            {shown(i), column(ratio[i]), column(pitch[i]), column(efficiency[i]),
             exportedOnly(areaRatioTested(task.seriesType, blades, ratio[i]) ? 1 : 0)});
  warnUntestedAreaRatioRows(io, task.seriesType, blades,
                            std::span(ratio + 1, static_cast<size_t>(rows)),
                            std::fabs(problem.task.areaRatio) < 0.001f);
  const float toShown = held == Requirement::Thrust ? 1000.0f : 1.0f;
  warnRequirementUnits(io, held, required / toShown, largest / toShown);
  reportFree(io, {"    ---|-------|-------|-------|"});
  reportFree(io, {"Pervane acinim alan orani yukaridaki verilere gore yeniden belirlenebilir."});
  pageBreak(io);
  printSeriesUsed(io, task.seriesType);
  printViscousNote(io, problem.evaluate.correction.viscousFlag);
}

}  // namespace helisolv
