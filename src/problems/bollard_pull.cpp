// Problem type 4: bollard pull (J = 0). For each of three candidate diameters
// the pitch ratio at which the propeller absorbs the given delivered power at
// the given revolutions, and the thrust it then gives; the user picks one
// candidate on the console and gets its full data.

#include <algorithm>
#include <cmath>

#include "export/data_export.hpp"
#include "io/reader.hpp"
#include "io/writer.hpp"
#include "problems/ground_warnings.hpp"
#include "problems/report_lines.hpp"
#include "problems/solvers.hpp"
#include "report/item.hpp"
#include "series/formulas.hpp"
#include "series/series.hpp"

namespace helisolv {

namespace {

// Capacity of the bollard pull's sweep of pitch ratio for each candidate diameter.
constexpr int kBollardSweepCapacity = 100;

constexpr std::string_view kTableRule = "---|-------|--------|-------|--------|---------|";

void writeTableRule(Session& io, Unit unit) {
  writeFree(io, unit, {kTableRule});
}

void writeColumnHeads(Session& io, Unit unit) {
  writeTableRule(io, unit);
  writeFree(io, unit, {" i     D(m)   10Kq      P/D      Kt       T(N)   "});
  writeTableRule(io, unit);
}

// Thrust in N and torque in N m at the bollard, multiplied in report order.
float bollardThrust(float d, float kt, float n, float rho) {
  return intPow(d, 4) * kt * intPow(n, 2) * rho;
}
float bollardTorque(float d, float kq, float n, float rho) {
  return intPow(d, 5) * kq * intPow(n, 2) * rho;
}

// A tug's bollard pull is quoted in tonnes-force: 1 tf = 9.80665 kN (the
// standard gravity).
float tonnesForce(float kiloNewtons) {
  return kiloNewtons / 9.80665f;
}

}  // namespace

Outcome solveBollardPull(const Task& task, const ModelOptions& models, Session& io) {
  // The Gawn polynomials are not valid at J = 0; the result file hears it
  // first here, and the driver then ends the run.
  if (task.seriesType == Series::Gawn) {
    emitRefusalTo(io, Unit::Result,
                  "(//' GAWN SERISI PERVANELER ICIN BOLLARD DURUMU HESABI MUMKUN DEGIL - STOP' )");
    write(io, Unit::Console,
          "(//' GAWN SERISI PERVANELER ICIN BOLLARD DURUMU HESABI MUMKUN DEGIL - STOP' )");
    return Outcome::Refused;
  }

  checkAreaRatio(io, task.seriesType, task.areaRatio);
  // Divisors of the target torque coefficient.
  checkPositive(io, "N", task.rpm);
  checkPositive(io, "RHO", task.rho);
  checkPositive(io, "D1", task.bollardDiameter1);
  checkPositive(io, "D2", task.bollardDiameter2);
  checkPositive(io, "D3", task.bollardDiameter3);
  warnBladesAndAreaRatio(io, task.seriesType, task.bladeCount, task.areaRatio);
  warnRevolutionsUnit(
      io, task.rpm,
      std::min({task.bollardDiameter1, task.bollardDiameter2, task.bollardDiameter3}));

  const float candidateDiameter[4] = {0.0f, task.bollardDiameter1, task.bollardDiameter2,
                                      task.bollardDiameter3};
  const float pi = 4.0f * realAtan(1.0f);
  const float n = revsPerSecond(task.rpm);
  const float rho = task.rho;
  const SeriesLimits limits = seriesLimits(task.seriesType);
  Propeller propeller{task.bladeCount, task.areaRatio, 0.0f};
  // At the bollard J is 0, which the series evaluates just off zero.
  float advance = 0.0f;

  write(io, Unit::Console, "(//5X,'Bollard Durumu Pervane Karakteristikleri')");
  writeColumnHeads(io, Unit::Console);
  write(io, Unit::Result, "(//5X,'Pervane Karakteristikleri')");
  writeColumnHeads(io, Unit::Result);

  float candidatePitch[4] = {};
  float candidateKt[4] = {};
  float candidateKq[4] = {};

  for (int k = 1; k <= 3; ++k) {
    const float d = candidateDiameter[k];
    // The torque coefficient at which the delivered power equals the given one.
    const float targetKq = task.powerW / (intPow(d, 5) * intPow(n, 3) * rho * pi * 2.0f);
    // The bollard is never corrected for scale: the task has no viscous flag.
    const Evaluator evaluate = evaluatorFor(io, task, models, 0, d, task.advanceSpeed, task.rpm);

    // Kq over the pitch ratios of the series, 0.05 apart, up to the first
    // negative thrust coefficient. The table never holds more than its
    // capacity, whatever the limits.
    float sweepKq[kBollardSweepCapacity + 1] = {};
    float sweepPitch[kBollardSweepCapacity + 1] = {};
    const int steps = sweepPassCount(limits.pdMin, limits.pdMax, 0.05f);
    int sweepLength = 0;
    float pitch = limits.pdMin;
    for (int step = 1; step <= steps && sweepLength < kBollardSweepCapacity; ++step) {
      propeller.pitchRatio = pitch;
      const OpenWaterPoint p = evaluate(propeller, advance);
      advance = p.advanceRatio;
      if (p.kt < 0.0f) break;
      ++sweepLength;
      sweepKq[sweepLength] = p.kq;
      sweepPitch[sweepLength] = pitch;
      pitch = pitch + 0.05f;
    }

    // The first step whose Kq rises through the target. A target at or below
    // the first Kq, or above the last, cannot be absorbed by this diameter:
    // the table is left open and the run ends.
    int bracket = 0;
    for (int i = 1; i <= sweepLength - 1; ++i) {
      if (sweepKq[i] < targetKq && targetKq <= sweepKq[i + 1]) {
        bracket = i;
        break;
      }
    }
    if (bracket == 0) {
      emitRefusal(io, "(1X,'Kq=',F6.4,' ICIN P/D HESABI MEVCUT PERVANE ICIN MUMKUN  DEGIL')",
                  {shown(targetKq)});
      return Outcome::Refused;
    }

    const int i = bracket;
    float bollardPitch = (targetKq - sweepKq[i]) * (sweepPitch[i + 1] - sweepPitch[i]) /
                             (sweepKq[i + 1] - sweepKq[i]) +
                         sweepPitch[i];
    propeller.pitchRatio = bollardPitch;
    const OpenWaterPoint p = evaluate(propeller, advance);
    advance = p.advanceRatio;
    const float thrust = bollardThrust(d, p.kt, n, rho);
    emitRow(io, data::Table::Bollard, "(1X,I2,3X,F5.3,2X,F7.4,3X,F5.3,2X,F7.4,1X,F9.0,3X,F5.3)",
            {column(k), column(d), tenfoldKqColumn(p.kq), column(bollardPitch), column(p.kt),
             column(thrust), exportedOnly(thrust / 1000.0f),
             exportedOnly(tonnesForce(thrust / 1000.0f))});

    candidatePitch[k] = bollardPitch;
    candidateKt[k] = p.kt;
    candidateKq[k] = p.kq;
  }
  writeTableRule(io, Unit::Console);
  writeTableRule(io, Unit::Result);

  // The choice, console only. Anything but 1, 2 or 3 is refused and asked
  // again: there is no fourth candidate to report.
  writeFree(io, Unit::Console);
  writeFree(io, Unit::Console);
  writeFree(io, Unit::Console, {"ISTEDIGINIZ PERVANE INDISINI 1,2 veya 3 OLARAK GIRINIZ"});
  writeFree(io, Unit::Console, {"ARA YARICAPLAR ICIN AYRICA INTERPOLASYON YAPILABILIR"});
  int bollardChoice = 0;
  for (;;) {
    readList(io, Unit::Keyboard, Question::BollardCandidate, {&bollardChoice});
    if (bollardChoice >= 1 && bollardChoice <= 3) break;
    writeFree(io, Unit::Console, {"GECERSIZ SECIM - 1,2 veya 3 GIRINIZ"});
  }

  const float pitch = candidatePitch[bollardChoice];
  const float kt = candidateKt[bollardChoice];
  const float kq = candidateKq[bollardChoice];
  const float diameter = candidateDiameter[bollardChoice];
  warnPitchRatio(io, task.seriesType, pitch);
  const float thrust = bollardThrust(diameter, kt, n, rho);
  const float torque = bollardTorque(diameter, kq, n, rho);
  const float power = deliveredPowerKW(torque, n);

  printSeriesUsed(io, task.seriesType);
  emit(io, "(/,' SECILEN PERVANE = ',I2,'. PERVANEDIR',/)",
       {quantity("chosen row", bollardChoice)});
  data::markRow(io, data::Table::Bollard, bollardChoice);
  emit(io, "(' P/D=',F5.3,1X,'Kt=',F6.3,1X,'10Kq=',F6.3)",
       {quantity("pitch ratio", pitch), quantity("Kt", kt), tenfoldKq(kq)});
  emit(io,
       "(' RPS=',F7.3,1X,'RPM=',F7.3,1X,'T=',F8.3,' kN',1X,'D=',F7.3,' m',/,' Z=',I2,' EAR=',F5.3)",
       {quantity("rps", n, "1/s"), quantity("rpm", revsPerMinute(n), "1/min"),
        quantity("thrust", thrust / 1000.0f, "kN"),
        exportedQuantity("thrust in tonnes-force", tonnesForce(thrust / 1000.0f), "tf"),
        quantity("diameter", diameter, "m"), quantity("blades", truncToInt(propeller.bladeCount)),
        quantity("area ratio", task.areaRatio)});
  emit(io, "(1X,'RHO = ',F6.1,' kg/m3')", {quantity("density", rho, "kg/m3")});
  emit(io, "(' TORK=',F8.3,' kNm',1X,'Pd=',F7.1,' kW')",
       {quantity("torque", torque / 1000.0f, "kN m"), quantity("delivered power", power, "kW")});
  // A tug's bollard pull is read in tonnes-force: the English report gives
  // it beside the kilonewtons. The Turkish report keeps the lines it always
  // had, which stored reports are compared with.
  if (io.language == Language::English)
    emit(io, "(1X,'Bollard pull  T=',F8.3,' kN =',F8.2,' tf (open-water thrust at zero speed)')",
         {shown(thrust / 1000.0f), shown(tonnesForce(thrust / 1000.0f))});
  printViscousNote(io, 0);
  return Outcome::Solved;
}

}  // namespace helisolv
