// Blade-area and tip-speed checks of a propeller designed for a required thrust,
// power or torque, and the table of pitch ratio and efficiency over area ratio.
// The checks only report figures; none of them changes the design.

#include "problems/blade_area_checks.hpp"

#include <algorithm>
#include <limits>
#include <span>
#include <string_view>

#include "export/data_export.hpp"
#include "io/reader.hpp"
#include "io/writer.hpp"
#include "problems/table_search.hpp"
#include "problems/ground_warnings.hpp"
#include "problems/report_lines.hpp"
#include "report/item.hpp"
#include "series/formulas.hpp"
#include "series/series.hpp"

namespace helisolv {

namespace {

constexpr float kGravity = 9.81f;            // m/s^2
constexpr float kKnot = 0.5144f;             // m/s per knot
constexpr float kAtmosphere = 100000.0f;     // Pa, in the cavitation number
constexpr float kKellerPressure = 98300.0f;  // Pa, in Keller's formula

// Burrill's chart: loading coefficient tau_c against cavitation number sigma for
// 2.5 % and 5 % back cavitation (1-based, element 0 unused).
constexpr int kBurrill25Points = 8;
constexpr float kBurrill25Sigma[kBurrill25Points + 1] = {0.0f, 0.18f, 0.29f, 0.4f, 0.5f,
                                                         0.6f, 0.8f,  1.0f,  1.5f};
constexpr float kBurrill25Tau[kBurrill25Points + 1] = {0.0f,  0.02f, 0.11f, 0.14f, 0.165f,
                                                       0.18f, 0.21f, 0.25f, 0.29f};
constexpr int kBurrill50Points = 7;
constexpr float kBurrill50Sigma[kBurrill50Points + 1] = {0.0f, 0.15f, 0.21f, 0.3f,
                                                         0.4f, 0.6f,  1.0f,  1.5f};
constexpr float kBurrill50Tau[kBurrill50Points + 1] = {0.0f,  0.03f, 0.1f, 0.135f,
                                                       0.17f, 0.22f, 0.3f, 0.33f};

// Keller's allowance k for each class of ship is added to the minimum area ratio.
constexpr float kSingleScrew = 0.2f;
constexpr float kSlowTwinScrew = 0.1f;

// The area ratios of the table, in the order printed.
constexpr float kAreaRatios[] = {0.40f, 0.45f, 0.50f, 0.55f, 0.60f, 0.65f, 0.70f, 0.75f,
                                 0.80f, 0.85f, 0.90f, 0.95f, 1.00f, 1.05f, 1.10f};
constexpr int kAreaRatioRows = static_cast<int>(sizeof(kAreaRatios) / sizeof(kAreaRatios[0]));

// Loading read off a Burrill curve at sigma. Outside the curve the interpolation
// reports on the console and supplies nothing: the loading is then not a number,
// and the minimum area ratio derived from it prints as a field of asterisks.
float burrillLoading(Session& io, int points, const float* sigmas, const float* taus, float sigma) {
  float tau = std::numeric_limits<float>::quiet_NaN();
  interpolate(io, points, sigmas, taus, sigma, tau, points);
  return tau;
}

// The names of the chart's lines.
constexpr std::string_view kLine25 = "2.5% back cavitation";
constexpr std::string_view kLine50 = "5% back cavitation";
constexpr std::string_view kUpper = "recommended upper limit";

// The loading of the recommended upper limit, a cubic in sigma.
float upperLimitLoading(float sigma) {
  return 0.0331f + 0.382f * sigma - 0.1968f * intPow(sigma, 2) + 0.056f * intPow(sigma, 3);
}

// The upper limit is drawn at sigma 0.10, 0.15, ..., 1.50, each the 32-bit
// value nearest the round one.
constexpr int kUpperLimitFirst = 10;  // sigma in hundredths
constexpr int kUpperLimitLast = 150;
constexpr int kUpperLimitStep = 5;

// The three lines of Burrill's chart for the data export: the two charted
// ones point by point, the recommended upper limit sampled.
void exportBurrillLines(Session& io) {
  for (int i = 1; i <= kBurrill25Points; ++i)
    data::row(io, data::Table::BurrillLines, {kLine25, kBurrill25Sigma[i], kBurrill25Tau[i]});
  for (int i = 1; i <= kBurrill50Points; ++i)
    data::row(io, data::Table::BurrillLines, {kLine50, kBurrill50Sigma[i], kBurrill50Tau[i]});
  for (int h = kUpperLimitFirst; h <= kUpperLimitLast; h += kUpperLimitStep) {
    const float sigma = static_cast<float>(h) / 100.0f;
    data::row(io, data::Table::BurrillLines, {kUpper, sigma, upperLimitLoading(sigma)});
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

  // Inflow at 0.7 R: rotation and speed of advance (through knots, as charted).
  const float speedKnots = knots(task.advanceSpeed);
  const float rotation = rpm * kPi / 60.0f * d * 0.7f;
  const float v2 = intPow(rotation, 2) + intPow(speedKnots * kKnot, 2);

  const bool burrill = task.seriesType != 2 || burrillForGawn;
  float sigma = 0.0f;
  float loading = 0.0f;
  float minEar25 = 0.0f;
  float minEar50 = 0.0f;
  float minEarUpper = 0.0f;
  if (burrill) {
    sigma = (rho * depth * kGravity + kAtmosphere) / (rho * v2 * 0.5f);
    const float diskArea = intPow(d, 2) * kPi / 4.0f;
    const float projectedRatio = 1.067f - 0.229f * problem.propeller.pitchRatio;
    const float projectedArea = diskArea * projectedRatio * areaRatio;
    loading = 1000.0f * thrustKN / (projectedArea * rho * v2 * 0.5f);
    // Area ratio at which the thrust would load the blades to tau exactly.
    auto minimumEar = [&](float tau) {
      return (1000.0f * thrustKN / (rho * tau * v2 * 0.5f)) / (diskArea * projectedRatio);
    };
    // Below the first point of the 2.5 % line no area is asked for.
    if (sigma >= kBurrill25Sigma[1])
      minEar25 =
          minimumEar(burrillLoading(io, kBurrill25Points, kBurrill25Sigma, kBurrill25Tau, sigma));
    minEar50 =
        minimumEar(burrillLoading(io, kBurrill50Points, kBurrill50Sigma, kBurrill50Tau, sigma));
    minEarUpper = minimumEar(upperLimitLoading(sigma));
  }

  const float keller = (1.3f + 0.3f * problem.propeller.bladeCount) * thrustKN * 1000.0f /
                       ((rho * depth * kGravity + kKellerPressure) * d * d);
  const float tipSpeed = rpm * kPi / 60.0f * d;

  warnNegativeShaftDepth(io, depth);
  if (burrill) {
    const BurrillLine lines[] = {
        {kLine25, kBurrill25Sigma[1], kBurrill25Sigma[kBurrill25Points]},
        {kLine50, kBurrill50Sigma[1], kBurrill50Sigma[kBurrill50Points]},
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
                            std::span(ratio + 1, static_cast<size_t>(rows)));
  const float toShown = held == Requirement::Thrust ? 1000.0f : 1.0f;
  warnRequirementUnits(io, held, required / toShown, largest / toShown);
  reportFree(io, {"    ---|-------|-------|-------|"});
  reportFree(io, {"Pervane acinim alan orani yukaridaki verilere gore yeniden belirlenebilir."});
  pageBreak(io);
  printSeriesUsed(io, task.seriesType);
  printViscousNote(io, problem.evaluate.correction.viscousFlag);
}

}  // namespace helisolv
