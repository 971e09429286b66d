// Report lines of a chosen propeller, shared by the design solvers: its
// coefficients, the operating conditions it was designed for, and its
// revolutions, torque and delivered power. Each is one report item: the
// console, the result file and the export hear it together.
#pragma once

#include "report/item.hpp"

namespace helisolv {

// P/D on its own line, then J, Kt, 10Kq and eta0, then Bp and delta.
inline void reportPropellerCoefficients(Session& io, float pitch, float advance, float kt, float kq,
                                        float eta0, float bp, float delta) {
  emit(io,
       "(' P/D=',F5.3,/,1X,'J=',F6.3,1X,'Kt=',F6.3,1X,'10Kq=',F6.3,1X,'eta=',F6.3,/,1X,'Bp=',F9.4,"
       "1X,'delta=',F9.4)",
       {quantity("pitch ratio", pitch), quantity("J", advance), quantity("Kt", kt), tenfoldKq(kq),
        quantity("eta0", eta0), quantity("Bp", bp), quantity("delta", delta)});
}

// Thrust (kN), speed of advance and density, then Z, EAR and the diameter:
// the blade count printed is the one the series evaluated with.
inline void reportDesignConditions(Session& io, float thrustKN, float advanceSpeed, float rho,
                                   float bladeCount, float areaRatio, float diameter) {
  emit(io,
       "(1X,'T=',F10.2,' kN  Va=',F8.3,' m/s  RHO = ',F6.1,' kg/m3',/,' Z = ',F2.0,' EAR = ',F5.3,"
       "' D = ',F6.3,' m')",
       {quantity("thrust", thrustKN, "kN"), quantity("speed of advance", advanceSpeed, "m/s"),
        quantity("density", rho, "kg/m3"), quantity("blades", bladeCount),
        quantity("area ratio", areaRatio), quantity("diameter", diameter, "m")});
}

// Revolutions per second and per minute, torque (kN m) and delivered power (kW).
inline void reportRevolutionsAndPower(Session& io, float rps, float rpm, float torqueKNm,
                                      float powerKW) {
  emit(io, "(' RPS=',F7.3,' dev/san',1X,'RPM=',F7.2,1X,'TORK=',F8.3,' kNm',1X,'Pd=',F7.1,' kW')",
       {quantity("rps", rps, "1/s"), quantity("rpm", rpm, "1/min"),
        quantity("torque", torqueKNm, "kN m"), quantity("delivered power", powerKW, "kW")});
}

}  // namespace helisolv
