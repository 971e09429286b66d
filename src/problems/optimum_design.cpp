// Optimum propeller designs by loading coefficient (problem types 1, 2 and 3).
//
// The given data fix a loading coefficient that does not depend on the unknown
// of the design: Kt/J^2 holds without the revolutions, Kt/J^4 and Kq/J^5 hold
// without the diameter. For every pitch ratio of the series a fine sweep over J
// finds where the propeller's own coefficient meets the required one; each
// meeting point is a candidate propeller and one numbered row of the table.
// The most efficient candidate is reported: the first row, in the order of
// the table, whose efficiency cut to three decimals is the highest, so a near
// tie goes to the smaller pitch ratio.

#include <algorithm>
#include <cmath>
#include <span>
#include <string_view>
#include <vector>

#include "export/data_export.hpp"
#include "io/reader.hpp"
#include "io/writer.hpp"
#include "problems/design_report.hpp"
#include "problems/ground_warnings.hpp"
#include "problems/report_lines.hpp"
#include "problems/solvers.hpp"
#include "report/item.hpp"
#include "series/formulas.hpp"
#include "series/open_water_curve.hpp"
#include "series/series.hpp"

namespace helisolv {

namespace {

// Rules and column titles of the candidate tables.
constexpr std::string_view kRule =
    "---|-------|-------|--------|--------|--------|------------|----------|";
constexpr std::string_view kRuleInResultFile =
    "---|-------|-------|--------|--------|--------|------------|---------|";
constexpr std::string_view kTitles =
    " i    P/D      J       Kt      10Kq     eta0       Bp          delta";
constexpr std::string_view kClosingRule =
    "---|-------|-------|--------|--------|--------|----- ------|-----------|";
constexpr std::string_view kRuleKqJ5 =
    "----|-------|-------|--------|--------|--------|------------|-----------|";
constexpr std::string_view kTitlesKqJ5 =
    "  i    P/D      J        Kt     10Kq     eta0       Bp         delta";

// Pitch ratios are swept in steps of 0.01 over the series' range; J in steps
// of 0.001 from 0.1 to just below 1.5.
constexpr float kPitchStep = 0.01f;
constexpr float kFirstAdvance = 0.1f;
constexpr float kLastAdvance = 1.5f;
constexpr float kAdvanceStep = 0.001f;

// The loading coefficient a propeller itself gives at advance coefficient J:
// its Kt (or Kq) over a real power of J.
struct LoadingCoefficient {
  bool ofTorque;
  float advanceExponent;

  float operator()(float kt, float kq, float advancePower) const {
    return (ofTorque ? kq : kt) / advancePower;
  }
};

constexpr LoadingCoefficient ktOverJ2{false, 2.0f};
constexpr LoadingCoefficient ktOverJ4{false, 4.0f};
constexpr LoadingCoefficient kqOverJ5{true, 5.0f};

// J points of a curve evaluated together: a curve ends at its first negative
// Kt, so at most this many points are evaluated beyond its end.
constexpr size_t kCurveBlock = 64;

// Torque Q = rho n^2 D^5 Kq (N m) and thrust T = rho n^2 D^4 Kt (N) of the
// chosen propeller, in the order and with the real powers of the design.
float designTorque(float d, float kq, float n, float rho) {
  return realPow(d, 5.0f) * kq * realPow(n, 2.0f) * rho;
}
float designThrust(float d, float kt, float n, float rho) {
  return realPow(d, 4.0f) * kt * realPow(n, 2.0f) * rho;
}

// The candidate propellers, numbered from 1 as in the first column of the
// table; element 0 of each column is unused.
struct Candidates {
  int count = 0;
  std::vector<float> pitch{0.0f}, advance{0.0f}, kt{0.0f}, kq{0.0f}, efficiency{0.0f};
  // The blade count the series evaluated with (the Gawn series' three blades).
  float bladeCount = 0.0f;
  // The first and the last pitch ratio of the sweep, whether or not they gave a row.
  float firstSweptPitch = 0.0f;
  float lastSweptPitch = 0.0f;

  // Keeps a point evaluated at the crossing J as the next row.
  void add(float passPitch, float j, const OpenWaterPoint& p) {
    ++count;
    pitch.push_back(passPitch);
    advance.push_back(j);
    kt.push_back(p.kt);
    kq.push_back(p.kq);
    efficiency.push_back(p.eta0);
  }

  // A row's point as it was evaluated, without evaluating the series again.
  OpenWaterPoint point(int row) const {
    const auto i = static_cast<size_t>(row);
    return {advance[i], kt[i], kq[i], efficiency[i], bladeCount, {}};
  }
};

// J between curve points k and k + 1 where the curve meets the required value,
// by linear interpolation with the slope rounded to 32 bits. Equal neighbours
// (both then equal to the required value) would make the slope 0/0; the
// crossing is then the first point itself.
float crossingAdvance(const std::vector<float>& coefficient, const std::vector<float>& advance,
                      size_t k, float target) {
  const float rise = coefficient[k + 1] - coefficient[k];
  if (rise == 0.0f) return advance[k];
  const float slope = (advance[k + 1] - advance[k]) / rise;
  return (target - coefficient[k]) * slope + advance[k];
}

// Sweeps the series' pitch ratios. Each pass builds the curve of the loading
// coefficient over J, ended by the first negative Kt (beyond it the propeller
// gives no thrust), then prints and keeps a row for every pair of neighbouring
// points that brackets the required value, both bounds inclusive: one pitch
// ratio may give several rows.
Candidates findCandidates(Session& io, const Task& task, const Evaluator& evaluate, float target,
                          LoadingCoefficient loading, std::string_view rowLayout) {
  const int curveCapacity = sweepPassCount(kFirstAdvance, kLastAdvance, kAdvanceStep);
  const size_t capacity = static_cast<size_t>(curveCapacity);
  std::vector<float> curveCoefficient(capacity + 1);
  std::vector<float> curveAdvance(capacity + 1);
  Candidates rows;

  // The J grid and its power in the loading coefficient are the same for
  // every pitch ratio.
  std::vector<float> grid(capacity), gridPower(capacity);
  float j = kFirstAdvance;
  for (size_t i = 0; i < capacity; ++i) {
    grid[i] = j;
    gridPower[i] = realPow(j, loading.advanceExponent);
    j = j + kAdvanceStep;
  }
  std::vector<float> evaluatedAdvance(capacity), kt(capacity), kq(capacity), eta0(capacity);

  const SeriesLimits limits = seriesLimits(task.seriesType);
  Propeller propeller{task.bladeCount, task.areaRatio, 0.0f};
  rows.bladeCount = propeller.bladeCount;
  const int pitchPasses = sweepPassCount(limits.pdMin, limits.pdMax, kPitchStep);
  float passPitch = limits.pdMin;
  rows.firstSweptPitch = passPitch;
  for (int pass = 1; pass <= pitchPasses; ++pass) {
    rows.lastSweptPitch = passPitch;
    propeller.pitchRatio = passPitch;
    const OpenWaterCurve curve(evaluate.model, propeller, evaluate.correction);
    propeller.bladeCount = curve.bladeCount();
    rows.bladeCount = propeller.bladeCount;
    size_t curveCount = 0;
    size_t evaluated = 0;
    bool ended = false;
    while (!ended && evaluated < capacity) {
      const size_t block = std::min(kCurveBlock, capacity - evaluated);
      evaluate.note(curve.evaluate(std::span(grid).subspan(evaluated, block),
                                   std::span(evaluatedAdvance).subspan(evaluated, block),
                                   std::span(kt).subspan(evaluated, block),
                                   std::span(kq).subspan(evaluated, block),
                                   std::span(eta0).subspan(evaluated, block)));
      size_t end = evaluated;
      while (end < evaluated + block && !(kt[end] < 0.0f)) ++end;
      ended = end < evaluated + block;
      // Point i of the grid is point i + 1 of the curve.
      for (size_t i = evaluated; i < end; ++i) {
        curveCoefficient[i + 1] = loading(kt[i], kq[i], gridPower[i]);
        curveAdvance[i + 1] = grid[i];
      }
      curveCount = end;
      evaluated += block;
    }
    for (size_t k = 1; k < curveCount; ++k) {
      if (!(curveCoefficient[k] >= target && curveCoefficient[k + 1] <= target)) continue;
      const float crossing = crossingAdvance(curveCoefficient, curveAdvance, k, target);
      const OpenWaterPoint p = evaluate(propeller, crossing);
      rows.add(passPitch, crossing, p);
      emitRow(io, data::Table::Candidates, rowLayout,
              {column(rows.count), column(passPitch), column(crossing), column(p.kt),
               tenfoldKqColumn(p.kq), column(p.eta0), column(powerCoefficientBp(p.kq, crossing)),
               column(deltaFromAdvance(crossing))});
    }
    passPitch = passPitch + kPitchStep;
  }
  return rows;
}

// The most efficient row at a resolution of 1/1000; of equal rows the lowest
// pitch ratio.
int mostEfficientRow(const Candidates& rows) {
  int row = 1;
  findMaxIndex(rows.count, rows.efficiency.data(), row);
  return row;
}

// No pitch ratio of the series meets the required loading coefficient: there
// is no propeller to report.
void reportNoCandidate(Session& io) {
  emitRefusal(io, "(/,' Istenen yuk katsayisini saglayan pervane bulunamadi.')");
}

// Console only. The best row is the highest pitch ratio that still met the
// requirement, so the true optimum may lie beyond the series: warn, and let
// the user pick another row by the number in the table's first column.
int confirmSelection(Session& io, int selectedRow, int rowCount) {
  write(io, Unit::Console, "(//)");
  write(io, Unit::Console,
        "(' Uyari: Secilen Pervane Pic Ust sinirinda. Bu durum hatali sonuc verebilir.')");
  write(io, Unit::Console, "(' Secilen pervaneyi degistirmek ister misin? E/H <H>')");
  const char answer = readChar(io, Unit::Keyboard, Question::AnotherRow);
  data::input(io, "another row asked",
              std::string_view(answer == 'E' || answer == 'e' ? "yes" : "no"));
  if (answer != 'E' && answer != 'e') return selectedRow;

  write(io, Unit::Console, "(/)");
  write(io, Unit::Console, "(' Istediginiz pervanenin indisini girin. (Sol kolon degeri).')");
  // Only a row of the table holds a propeller: ask until one is named. The
  // loop ends with the console input, whose end stops the run.
  int row = selectedRow;
  for (;;) {
    readList(io, Unit::Keyboard, Question::RowNumber, {&row});
    if (row >= 1 && row <= rowCount) return row;
    write(io, Unit::Console, "(' Gecersiz indis. 1 ile ',I3,' arasinda bir deger girin.')",
          {rowCount});
  }
}

// The candidate table of a design whose head is the same on both outputs,
// closed by its rule; when no row was found that is reported too.
Candidates tabulateCandidates(Session& io, const Task& task, const Evaluator& evaluate,
                              std::string_view head, float target, std::string_view rule,
                              std::string_view titles, std::string_view closingRule,
                              LoadingCoefficient coefficient, std::string_view rowLayout) {
  for (Unit unit : {Unit::Console, Unit::Result}) {
    write(io, unit, head, {target});
    writeFree(io, unit, {rule});
    writeFree(io, unit, {titles});
    writeFree(io, unit, {rule});
  }
  Candidates rows = findCandidates(io, task, evaluate, target, coefficient, rowLayout);
  reportFree(io, {closingRule});
  if (rows.count == 0) reportNoCandidate(io);
  return rows;
}

// The propeller's own blade count and area ratio, and the correction the
// series is evaluated with, once the inputs are accepted.
void warnGivenPropeller(Session& io, const Task& task, const Evaluator& evaluate) {
  warnBladesAndAreaRatio(io, task.seriesType, task.bladeCount, task.areaRatio);
  warnCorrection(io, task.seriesType, evaluate.correction);
}

// The chosen row's pitch ratio against the series and the ends of the sweep.
void warnChosenRow(Session& io, const Task& task, const Evaluator& evaluate, const Candidates& rows,
                   int row) {
  const float pitch = rows.pitch[static_cast<size_t>(row)];
  warnPitchRatio(io, task.seriesType, pitch);
  warnChosenAtSweepEnd(io, row, pitch, rows.firstSweptPitch, rows.lastSweptPitch);
  warnGawnRegressionAt(io, evaluate.model, pitch, task.areaRatio, rows.point(row).advanceRatio);
}

void reportSelectedRow(Session& io, int row) {
  emit(io, "(/,' SECILEN PERVANE = ',I3,'. PERVANEDIR',/)", {quantity("chosen row", row)});
  data::markRow(io, data::Table::Candidates, row);
}

// What every design type checks before its sweep, in this order: the area
// ratio, the given quantity that fixes the loading (D for type 1, N for types
// 2 and 3), the speed and the density; then the given propeller's warnings.
// Returns the evaluator of the sweep.
Evaluator startDesign(Session& io, const Task& task, const ModelOptions& models,
                      std::string_view givenSymbol, float given) {
  checkAreaRatio(io, task.seriesType, task.areaRatio);
  checkPositive(io, givenSymbol, given);
  checkPositive(io, "Va", task.advanceSpeed);
  checkPositive(io, "RHO", task.rho);
  const Evaluator evaluate =
      evaluatorFor(io, task, models, task.viscousFlag, task.diameter, task.advanceSpeed, task.rpm);
  warnGivenPropeller(io, task, evaluate);
  return evaluate;
}

}  // namespace

// Type 1: thrust, diameter and speed given; the pitch ratio and the
// revolutions of the most efficient propeller are found.
Outcome solveKtJ2Design(const Task& task, const ModelOptions& models, Session& io) {
  const Evaluator evaluate = startDesign(io, task, models, "D", task.diameter);

  // Kt/J^2 = T / (rho Va^2 D^2), the thrust turned from kN into N.
  const float target = task.thrust * 1000.0f /
                       (realPow(task.diameter, 2.0f) * realPow(task.advanceSpeed, 2.0f) * task.rho);

  // The result file has no rule above the column titles and a shorter one below.
  const std::string_view head = "(//5X,'Pervane Karakteristikleri - Kt/J^2 = ',F6.3/)";
  write(io, Unit::Console, head, {target});
  writeFree(io, Unit::Console, {kRule});
  writeFree(io, Unit::Console, {kTitles});
  writeFree(io, Unit::Console, {kRule});
  write(io, Unit::Result, head, {target});
  writeFree(io, Unit::Result, {kTitles});
  writeFree(io, Unit::Result, {kRuleInResultFile});

  const Candidates rows =
      findCandidates(io, task, evaluate, target, ktOverJ2, "(1X,I3,2F7.3,3F9.4,1X,2(F10.4,3X))");
  reportFree(io, {kClosingRule});
  if (rows.count == 0) {
    reportNoCandidate(io);
    return Outcome::Refused;
  }

  int selectedRow = mostEfficientRow(rows);
  if (selectedRow == rows.count) selectedRow = confirmSelection(io, selectedRow, rows.count);
  warnChosenRow(io, task, evaluate, rows, selectedRow);
  const float pitch = rows.pitch[static_cast<size_t>(selectedRow)];
  const OpenWaterPoint chosen = rows.point(selectedRow);

  const float j = chosen.advanceRatio;
  const float rps = revsFromAdvance(task.advanceSpeed, j, task.diameter);
  const float rpm = revsPerMinute(rps);
  const float torque = designTorque(task.diameter, chosen.kq, rps, task.rho);
  const float deliveredPower = deliveredPowerKW(torque, rps);
  const float delta = deltaFromAdvance(j);
  const float bp = powerCoefficientBp(chosen.kq, j);
  const float vtip = tipSpeed(task.diameter, rps);

  printSeriesUsed(io, task.seriesType);
  reportSelectedRow(io, selectedRow);
  reportPropellerCoefficients(io, pitch, j, chosen.kt, chosen.kq, chosen.eta0, bp, delta);
  reportDesignConditions(io, task.thrust, task.advanceSpeed, task.rho, chosen.bladeCount,
                         task.areaRatio, task.diameter);
  emit(io, "(1X,'Vtip=',F6.2,' m/s')", {quantity("tip speed", vtip, "m/s")});
  reportRevolutionsAndPower(io, rps, rpm, torque / 1000.0f, deliveredPower);
  printViscousNote(io, task.viscousFlag);
  return Outcome::Solved;
}

// Type 2: thrust, revolutions and speed given; the pitch ratio and the
// diameter of the most efficient propeller are found.
Outcome solveKtJ4Design(const Task& task, const ModelOptions& models, Session& io) {
  const Evaluator evaluate = startDesign(io, task, models, "N", task.rpm);

  // Kt/J^4 = T n^2 / (rho Va^4), the thrust turned from kN into N.
  const float rps = revsPerSecond(task.rpm);
  const float target =
      realPow(rps, 2.0f) * task.thrust / (realPow(task.advanceSpeed, 4.0f) * task.rho) * 1000.0f;

  const Candidates rows = tabulateCandidates(
      io, task, evaluate, "(//5X,'Pervane Karakteristikleri - Kt/J^4 = ',F6.3/)", target, kRule,
      kTitles, kClosingRule, ktOverJ4, "(1X,I3,2(F7.3,1X),3F9.4,1X,2(F10.4,3X))");
  if (rows.count == 0) return Outcome::Refused;

  const int selectedRow = mostEfficientRow(rows);
  warnChosenRow(io, task, evaluate, rows, selectedRow);
  const float pitch = rows.pitch[static_cast<size_t>(selectedRow)];
  const OpenWaterPoint chosen = rows.point(selectedRow);

  const float j = chosen.advanceRatio;
  const float delta = deltaFromAdvance(j);
  const float bp = powerCoefficientBp(chosen.kq, j);
  const float diameter = diameterFromAdvance(task.advanceSpeed, j, rps);
  warnRevolutionsUnit(io, task.rpm, diameter);
  warnDesignDiameter(io, "thrust", task.thrust, diameter, task.advanceSpeed, task.rpm);
  const float torque = designTorque(diameter, chosen.kq, rps, task.rho);
  const float deliveredPower = deliveredPowerKW(torque, rps);

  printSeriesUsed(io, task.seriesType);
  reportSelectedRow(io, selectedRow);
  reportPropellerCoefficients(io, pitch, j, chosen.kt, chosen.kq, chosen.eta0, bp, delta);
  reportDesignConditions(io, task.thrust, task.advanceSpeed, task.rho, chosen.bladeCount,
                         task.areaRatio, diameter);
  reportRevolutionsAndPower(io, rps, task.rpm, torque / 1000.0f, deliveredPower);
  printViscousNote(io, task.viscousFlag);
  return Outcome::Solved;
}

// Type 3: delivered power, revolutions and speed given; the pitch ratio and
// the diameter of the most efficient propeller are found, and its thrust.
Outcome solveKqJ5Design(const Task& task, const ModelOptions& models, Session& io) {
  const Evaluator evaluate = startDesign(io, task, models, "N", task.rpm);

  // Kq/J^5 = P n^2 / (2 pi rho Va^5), the power already in W.
  const float pi = 4.0f * realAtan(1.0f);
  const float rps = revsPerSecond(task.rpm);
  const float target =
      realPow(rps, 2.0f) * task.powerW / (realPow(task.advanceSpeed, 5.0f) * task.rho * pi * 2.0f);

  const Candidates rows = tabulateCandidates(
      io, task, evaluate, "(//5X,'Pervane Karakteristikleri - Kq/J^5 = ',F6.3/)", target, kRuleKqJ5,
      kTitlesKqJ5, kRuleKqJ5, kqOverJ5, "(1X,I3,2F8.3,3F9.4,2X,2(F10.4,3X))");
  if (rows.count == 0) return Outcome::Refused;

  const int selectedRow = mostEfficientRow(rows);
  warnChosenRow(io, task, evaluate, rows, selectedRow);
  const float pitch = rows.pitch[static_cast<size_t>(selectedRow)];
  const OpenWaterPoint chosen = rows.point(selectedRow);

  // The thrust in N; it is printed in kN.
  const float j = chosen.advanceRatio;
  const float diameter = diameterFromAdvance(task.advanceSpeed, j, rps);
  warnRevolutionsUnit(io, task.rpm, diameter);
  warnDesignDiameter(io, "power", task.powerKW, diameter, task.advanceSpeed, task.rpm);
  const float thrust = designThrust(diameter, chosen.kt, rps, task.rho);
  const float torque = designTorque(diameter, chosen.kq, rps, task.rho);
  const float deliveredPower = deliveredPowerKW(torque, rps);
  const float delta = deltaFromAdvance(j);
  const float bp = powerCoefficientBp(chosen.kq, j);
  const float vtip = diameter * rps * pi;

  printSeriesUsed(io, task.seriesType);
  reportSelectedRow(io, selectedRow);
  reportPropellerCoefficients(io, pitch, j, chosen.kt, chosen.kq, chosen.eta0, bp, delta);
  emit(io,
       "(1X,'T=',F10.2,' kN  Va=',F8.3,' m/s  RHO = ',F6.1,' kg/m3',/,' Z = ',F2.0,' EAR = ',"
       "F5.3,' D = ',F6.3,' m',' Vtip = ',F4.1,' m/s')",
       {quantity("thrust", thrust / 1000.0f, "kN"),
        quantity("speed of advance", task.advanceSpeed, "m/s"),
        quantity("density", task.rho, "kg/m3"), quantity("blades", chosen.bladeCount),
        quantity("area ratio", task.areaRatio), quantity("diameter", diameter, "m"),
        quantity("tip speed", vtip, "m/s")});
  reportRevolutionsAndPower(io, rps, task.rpm, torque / 1000.0f, deliveredPower);
  printViscousNote(io, task.viscousFlag);
  return Outcome::Solved;
}

}  // namespace helisolv
