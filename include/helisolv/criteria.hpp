// Cavitation and blade-loading criteria of a propeller: the cavitation number
// at 0.7 R, the thrust loading coefficient, the minimum expanded area ratio by
// Burrill's chart and by Keller's formula, and the tip speed. Pure functions of
// their arguments in 32-bit arithmetic: they print nothing and keep nothing,
// and they are the code the pitch-for-requirement runs (problem types 8 to 10)
// print their blade checks with, so the same arguments give the same bits.
//
// Units throughout: thrust in kN, speed of advance in m/s, revolutions in rpm,
// diameter and shaft depth (depth of the shaft centre below the water) in m,
// density in kg/m3, areas as ratios of the disc area.
#pragma once

namespace helisolv {

// The lines of Burrill's chart of thrust loading tau_c against the cavitation
// number sigma 0.7R: the two charted back-cavitation lines, given point by
// point (2.5 %: sigma 0.18 to 1.5; 5 %: sigma 0.15 to 1.5) and read between
// their points by three-point parabolic interpolation, and the recommended
// upper limit for merchant ships, a cubic valid at every sigma.
enum class BurrillCurve {
  BackCavitation2_5,  // 2.5 % back cavitation
  BackCavitation5,    // 5 % back cavitation
  UpperLimit,         // recommended upper limit, tau_c = 0.0331 + 0.382 s - 0.1968 s^2 + 0.056 s^3
};

// Where a sigma lies against a charted line. A sigma that is not a number
// counts as below the chart.
enum class ChartPosition { On, Below, Above };

// A figure read off Burrill's chart: value holds a result only when position
// is On; off the chart it is 0 and no figure exists.
struct BurrillReading {
  ChartPosition position = ChartPosition::On;
  float value = 0.0f;
  bool onChart() const { return position == ChartPosition::On; }
};

// First and last sigma of a charted line (the upper limit: 0.10 and 1.50, the
// range the program draws it over, though its cubic is read at any sigma).
float burrillFirstSigma(BurrillCurve line);
float burrillLastSigma(BurrillCurve line);

// Square of the inflow speed of the blade section at 0.7 R, m2/s2:
// (0.7 pi n D)^2 + Va^2, with n = rpm / 60 and Va taken through knots
// (Va / 0.5144 * 0.5144) as the chart's authors tabulated it.
float inflowSpeedSquared07R(float advanceSpeed, float rpm, float diameter);

// Cavitation number at 0.7 R:
// sigma = (rho g h + p_atm) / (0.5 rho V^2(0.7R)), g = 9.81 m/s2,
// p_atm = 100000 Pa, h the shaft depth (m). The vapour pressure is left out,
// as in Burrill's own definition.
float sigma07R(float advanceSpeed, float rpm, float diameter, float shaftDepth, float density);

// Projected area as a ratio of the expanded area, Ap/Ae = 1.067 - 0.229 P/D
// (the usual approximation for Wageningen-type blades).
float projectedToExpandedRatio(float pitchRatio);

// Thrust loading coefficient tau_c = T / (0.5 rho V^2(0.7R) Ap), with
// Ap = (pi D^2 / 4) (Ae/A0) (1.067 - 0.229 P/D) and T in N (thrustKN * 1000).
float tauC(float thrustKN, float advanceSpeed, float rpm, float diameter, float pitchRatio,
           float areaRatio, float density);

// tau_c of a line of Burrill's chart at sigma; off a charted line's points
// (and for the upper limit never) the reading is Below or Above.
BurrillReading burrillLoading(BurrillCurve line, float sigma);

// The expanded area ratio at which the thrust loads the blades to the tau_c
// of the line at the propeller's sigma 0.7R:
// Ae/A0 = T / (0.5 rho V^2(0.7R) tau_c (pi D^2 / 4) (1.067 - 0.229 P/D)).
// Off the chart (sigma below the line's first point or above its last) there
// is no minimum: the reading says Below or Above. The program's report prints
// .000 for the 2.5 % line below its chart and asterisks elsewhere off it.
BurrillReading burrillMinAreaRatio(BurrillCurve line, float thrustKN, float advanceSpeed, float rpm,
                                   float diameter, float pitchRatio, float shaftDepth,
                                   float density);

// Keller's allowance k for a class of ship, added to the minimum area ratio.
inline constexpr float kKellerFastTwinScrew = 0.0f;  // fast naval twin-screw ships
inline constexpr float kKellerSlowTwinScrew = 0.1f;  // slow merchant twin-screw ships
inline constexpr float kKellerSingleScrew = 0.2f;    // single-screw ships

// Keller's minimum expanded area ratio:
// Ae/A0 = (1.3 + 0.3 Z) T / ((p0 + rho g h - pv) D^2) + k, with T in N,
// g = 9.81 m/s2 and p0 - pv taken as 98300 Pa (the atmosphere less the vapour
// pressure of sea water at about 15 C).
float kellerMinAreaRatio(float thrustKN, float diameter, float shaftDepth, float blades,
                         float density, float k = 0.0f);

// Tip speed pi D n in m/s, n = rpm / 60 (written rpm pi / 60 D, as the report
// forms it).
float bladeTipSpeed(float rpm, float diameter);

}  // namespace helisolv
