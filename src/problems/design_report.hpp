// Report lines of a chosen propeller, shared by the design solvers: its
// coefficients, the operating conditions it was designed for, and its
// revolutions, torque and delivered power. Each line goes to the console and
// then to the result file.
#pragma once

#include "export/data_export.hpp"
#include "io/writer.hpp"

namespace helisolv {

// P/D on its own line, then J, Kt, 10Kq and eta0, then Bp and delta.
inline void reportPropellerCoefficients(Session& io, float pitch, float advance, float kt, float kq,
                                        float eta0, float bp, float delta) {
  report(
      io,
      "(' P/D=',F5.3,/,1X,'J=',F6.3,1X,'Kt=',F6.3,1X,'10Kq=',F6.3,1X,'eta=',F6.3,/,1X,'Bp=',F9.4,"
      "1X,'delta=',F9.4)",
      {pitch, advance, kt, 10.0f * kq, eta0, bp, delta});
  data::result(io, "pitch ratio", pitch);
  data::result(io, "J", advance);
  data::result(io, "Kt", kt);
  data::result(io, "Kq", kq);
  data::result(io, "eta0", eta0);
  data::result(io, "Bp", bp);
  data::result(io, "delta", delta);
}

// Thrust (kN), speed of advance and density, then Z, EAR and the diameter:
// the blade count printed is the one the series evaluated with.
inline void reportDesignConditions(Session& io, float thrustKN, float advanceSpeed, float rho,
                                   float bladeCount, float areaRatio, float diameter) {
  report(
      io,
      "(1X,'T=',F10.2,' kN  Va=',F8.3,' m/s  RHO = ',F6.1,' kg/m3',/,' Z = ',F2.0,' EAR = ',F5.3,"
      "' D = ',F6.3,' m')",
      {thrustKN, advanceSpeed, rho, bladeCount, areaRatio, diameter});
  data::result(io, "thrust", thrustKN, "kN");
  data::result(io, "speed of advance", advanceSpeed, "m/s");
  data::result(io, "density", rho, "kg/m3");
  data::result(io, "blades", bladeCount);
  data::result(io, "area ratio", areaRatio);
  data::result(io, "diameter", diameter, "m");
}

// Revolutions per second and per minute, torque (kN m) and delivered power (kW).
inline void reportRevolutionsAndPower(Session& io, float rps, float rpm, float torqueKNm,
                                      float powerKW) {
  report(io, "(' RPS=',F7.3,' dev/san',1X,'RPM=',F7.2,1X,'TORK=',F8.3,' kNm',1X,'Pd=',F7.1,' kW')",
         {rps, rpm, torqueKNm, powerKW});
  data::result(io, "rps", rps, "1/s");
  data::result(io, "rpm", rpm, "1/min");
  data::result(io, "torque", torqueKNm, "kN m");
  data::result(io, "delivered power", powerKW, "kW");
}

}  // namespace helisolv
