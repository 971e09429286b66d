// Report lines of a chosen propeller, shared by the design solvers: its
// coefficients, the operating conditions it was designed for, and its
// revolutions, torque and delivered power. Each line goes to the console and
// then to the result file.
#pragma once

#include "driver/record.hpp"
#include "export/data_export.hpp"
#include "io/writer.hpp"

namespace helisolv {

// P/D on its own line, then J, Kt, 10Kq and eta0, then Bp and delta.
inline void reportPropellerCoefficients(float pitch, float advance, float kt, float kq, float eta0,
                                        float bp, float delta) {
  report(
      "(' P/D=',F5.3,/,1X,'J=',F6.3,1X,'Kt=',F6.3,1X,'10Kq=',F6.3,1X,'eta=',F6.3,/,1X,'Bp=',F9.4,"
      "1X,'delta=',F9.4)",
      {pitch, advance, kt, 10.0f * kq, eta0, bp, delta});
  data::result("pitch ratio", pitch);
  data::result("J", advance);
  data::result("Kt", kt);
  data::result("Kq", kq);
  data::result("eta0", eta0);
  data::result("Bp", bp);
  data::result("delta", delta);
}

// Thrust (kN), speed of advance and density, then Z, EAR and the diameter from
// the record: the blade count printed is the one the series left there.
inline void reportDesignConditions(float thrustKN) {
  report(
      "(1X,'T=',F10.2,' kN  Va=',F8.3,' m/s  RHO = ',F6.1,' kg/m3',/,' Z = ',F2.0,' EAR = ',F5.3,"
      "' D = ',F6.3,' m')",
      {thrustKN, rec.advanceSpeed, rec.rho, rec.bladeCount, rec.areaRatio, rec.diameter});
  data::result("thrust", thrustKN, "kN");
  data::result("speed of advance", rec.advanceSpeed, "m/s");
  data::result("density", rec.rho, "kg/m3");
  data::result("blades", rec.bladeCount);
  data::result("area ratio", rec.areaRatio);
  data::result("diameter", rec.diameter, "m");
}

// Revolutions per second and per minute, torque (kN m) and delivered power (kW).
inline void reportRevolutionsAndPower(float rps, float rpm, float torqueKNm, float powerKW) {
  report("(' RPS=',F7.3,' dev/san',1X,'RPM=',F7.2,1X,'TORK=',F8.3,' kNm',1X,'Pd=',F7.1,' kW')",
         {rps, rpm, torqueKNm, powerKW});
  data::result("rps", rps, "1/s");
  data::result("rpm", rpm, "1/min");
  data::result("torque", torqueKNm, "kN m");
  data::result("delivered power", powerKW, "kW");
}

}  // namespace helisolv
