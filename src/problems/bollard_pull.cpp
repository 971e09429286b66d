// Problem type 4: bollard pull (J = 0). For each of three candidate diameters
// the pitch ratio at which the propeller absorbs the given delivered power at
// the given revolutions, and the thrust it then gives; the user picks one
// candidate on the console and gets its full data.

#include <cmath>

#include "driver/record.hpp"
#include "driver/report_lines.hpp"
#include "export/data_export.hpp"
#include "io/reader.hpp"
#include "io/writer.hpp"
#include "problems/solvers.hpp"
#include "series/formulas.hpp"
#include "series/series.hpp"

namespace helisolv {

namespace {

constexpr int kSweepCapacity = 100;

constexpr std::string_view kTableRule = "---|-------|--------|-------|--------|---------|";

void writeTableRule(Unit unit) {
  writeFree(unit, {kTableRule});
}

void writeColumnHeads(Unit unit) {
  writeTableRule(unit);
  writeFree(unit, {" i     D(m)   10Kq      P/D      Kt       T(N)   "});
  writeTableRule(unit);
}

// Thrust in N and torque in N m at the bollard, multiplied in report order.
float bollardThrust(float d, float kt, float n, float rho) {
  return intPow(d, 4) * kt * intPow(n, 2) * rho;
}
float bollardTorque(float d, float kq, float n, float rho) {
  return intPow(d, 5) * kq * intPow(n, 2) * rho;
}

}  // namespace

Outcome solveBollardPull() {
  // The Gawn polynomials are not valid at J = 0; the result file hears it
  // first here, and the driver then ends the run.
  if (rec.seriesType == 2) {
    write(Unit::Result,
          "(//' GAWN SERISI PERVANELER ICIN BOLLARD DURUMU HESABI MUMKUN DEGIL - STOP' )");
    write(Unit::Console,
          "(//' GAWN SERISI PERVANELER ICIN BOLLARD DURUMU HESABI MUMKUN DEGIL - STOP' )");
    return Outcome::Refused;
  }

  checkAreaRatio();
  // Divisors of the target torque coefficient.
  checkPositive("N", rec.rpm);
  checkPositive("RHO", rec.rho);
  checkPositive("D1", rec.bollardDiameter1);
  checkPositive("D2", rec.bollardDiameter2);
  checkPositive("D3", rec.bollardDiameter3);

  const float candidateDiameter[4] = {0.0f, rec.bollardDiameter1, rec.bollardDiameter2,
                                      rec.bollardDiameter3};
  const float pi = 4.0f * realAtan(1.0f);
  const float n = revsPerSecond(rec.rpm);
  rec.advanceRatio = 0.0f;

  write(Unit::Console, "(//5X,'Bollard Durumu Pervane Karakteristikleri')");
  writeColumnHeads(Unit::Console);
  write(Unit::Result, "(//5X,'Pervane Karakteristikleri')");
  writeColumnHeads(Unit::Result);

  float candidatePitch[4] = {};
  float candidateKt[4] = {};
  float candidateKq[4] = {};

  for (int k = 1; k <= 3; ++k) {
    rec.diameter = candidateDiameter[k];
    const float d = rec.diameter;
    // The torque coefficient at which the delivered power equals the given one.
    const float targetKq = rec.powerW / (intPow(d, 5) * intPow(n, 3) * rec.rho * pi * 2.0f);

    // Kq over the pitch ratios of the series, 0.05 apart, up to the first
    // negative thrust coefficient. The table never holds more than its
    // capacity, whatever the limits.
    float sweepKq[kSweepCapacity + 1] = {};
    float sweepPitch[kSweepCapacity + 1] = {};
    const int steps = sweepPassCount(rec.pdMin, rec.pdMax, 0.05f);
    int sweepLength = 0;
    float pitch = rec.pdMin;
    for (int step = 1; step <= steps && sweepLength < kSweepCapacity; ++step) {
      evalOpenWater(pitch, rec.areaRatio, rec.bladeCount);
      if (rec.kt < 0.0f) break;
      ++sweepLength;
      sweepKq[sweepLength] = rec.kq;
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
      report("(1X,'Kq=',F6.4,' ICIN P/D HESABI MEVCUT PERVANE ICIN MUMKUN  DEGIL')", {targetKq});
      return Outcome::Refused;
    }

    const int i = bracket;
    float bollardPitch = (targetKq - sweepKq[i]) * (sweepPitch[i + 1] - sweepPitch[i]) /
                             (sweepKq[i + 1] - sweepKq[i]) +
                         sweepPitch[i];
    evalOpenWater(bollardPitch, rec.areaRatio, rec.bladeCount);
    const float thrust = bollardThrust(d, rec.kt, n, rec.rho);
    rec.thrust = thrust;
    report("(1X,I2,3X,F5.3,2X,F7.4,3X,F5.3,2X,F7.4,1X,F9.0,3X,F5.3)",
           {k, d, 10.0f * rec.kq, bollardPitch, rec.kt, thrust});
    data::row(data::Table::Bollard, {k, d, rec.kq, bollardPitch, rec.kt, thrust});

    candidatePitch[k] = bollardPitch;
    candidateKt[k] = rec.kt;
    candidateKq[k] = rec.kq;
  }
  writeTableRule(Unit::Console);
  writeTableRule(Unit::Result);

  // The choice, console only. Anything but 1, 2 or 3 is refused and asked
  // again: there is no fourth candidate to report.
  writeFree(Unit::Console);
  writeFree(Unit::Console);
  writeFree(Unit::Console, {"ISTEDIGINIZ PERVANE INDISINI 1,2 veya 3 OLARAK GIRINIZ"});
  writeFree(Unit::Console, {"ARA YARICAPLAR ICIN AYRICA INTERPOLASYON YAPILABILIR"});
  int bollardChoice = 0;
  for (;;) {
    readList(Unit::Keyboard, {&bollardChoice});
    if (bollardChoice >= 1 && bollardChoice <= 3) break;
    writeFree(Unit::Console, {"GECERSIZ SECIM - 1,2 veya 3 GIRINIZ"});
  }

  const float pitch = candidatePitch[bollardChoice];
  rec.kt = candidateKt[bollardChoice];
  rec.kq = candidateKq[bollardChoice];
  rec.diameter = candidateDiameter[bollardChoice];
  const float thrust = bollardThrust(rec.diameter, rec.kt, n, rec.rho);
  rec.thrust = thrust;
  const float torque = bollardTorque(rec.diameter, rec.kq, n, rec.rho);
  const float power = deliveredPowerKW(torque, n);

  printSeriesUsed(rec.seriesType);
  report("(/,' SECILEN PERVANE = ',I2,'. PERVANEDIR',/)", {bollardChoice});
  data::result("chosen row", bollardChoice);
  data::markRow(data::Table::Bollard, bollardChoice);
  report("(' P/D=',F5.3,1X,'Kt=',F6.3,1X,'10Kq=',F6.3)", {pitch, rec.kt, 10.0f * rec.kq});
  data::result("pitch ratio", pitch);
  data::result("Kt", rec.kt);
  data::result("Kq", rec.kq);
  report(
      "(' RPS=',F7.3,1X,'RPM=',F7.3,1X,'T=',F8.3,' kN',1X,'D=',F7.3,' m',/,' Z=',I2,' EAR=',F5.3)",
      {n, revsPerMinute(n), thrust / 1000.0f, rec.diameter, truncToInt(rec.bladeCount),
       rec.areaRatio});
  data::result("rps", n, "1/s");
  data::result("rpm", revsPerMinute(n), "1/min");
  data::result("thrust", thrust / 1000.0f, "kN");
  data::result("diameter", rec.diameter, "m");
  data::result("blades", truncToInt(rec.bladeCount));
  data::result("area ratio", rec.areaRatio);
  report("(1X,'RHO = ',F6.1,' kg/m3')", {rec.rho});
  data::result("density", rec.rho, "kg/m3");
  report("(' TORK=',F8.3,' kNm',1X,'Pd=',F7.1,' kW')", {torque / 1000.0f, power});
  data::result("torque", torque / 1000.0f, "kN m");
  data::result("delivered power", power, "kW");
  printViscousNote();
  return Outcome::Solved;
}

}  // namespace helisolv
