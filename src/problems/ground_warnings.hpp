// Warnings of a run whose figures leave the ground of the models behind them:
// a propeller outside the range the series' model tests cover, a correction
// that is not the published one, a point off Burrill's chart, inputs that
// contradict each other or look like the wrong unit. A warning never changes
// the report: it is one line on standard error and one row of run.csv (see
// warn()), at most one per cause and run.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "helisolv/open_water.hpp"
#include "helisolv/task.hpp"
#include "io/session.hpp"

namespace helisolv {

// A real as the warnings show it: the shortest text that reads back to the
// same 32-bit value (a value as the task gave it), or with a fixed number of
// decimals (a computed figure). A value that is not a finite number is a
// field of asterisks, as the report prints it.
std::string plainNumber(float value);
std::string fixedNumber(float value, int decimals);

// The area ratios a series was tested at for a blade count: the Wageningen
// B-series as published by van Lammeren et al. (Carlton, Table 6.4), the Gawn
// series' 37 three-bladed models (Gawn 1953). None for a blade count the
// series has no models of.
struct AreaRatioRange {
  float low = 0.0f;
  float high = 0.0f;
};
std::optional<AreaRatioRange> testedAreaRatios(Series seriesType, float bladeCount);

// True when the area ratio lies in the tested range of its blade count (to
// the printed three decimals).
bool areaRatioTested(Series seriesType, float bladeCount, float areaRatio);

// The propeller's own blade count and area ratio (as given), and its pitch
// ratio (given, or found by the design), against the series' tested ground.
void warnBladeCount(Session& io, Series seriesType, float bladeCount);
void warnAreaRatio(Session& io, Series seriesType, float bladeCount, float areaRatio);
inline void warnBladesAndAreaRatio(Session& io, Series seriesType, float bladeCount,
                                   float areaRatio) {
  warnBladeCount(io, seriesType, bladeCount);
  warnAreaRatio(io, seriesType, bladeCount, areaRatio);
}
void warnPitchRatio(Session& io, Series seriesType, float pitchRatio);

// The rows of the table over area ratio that lie outside the tested range of
// the propeller's blade count: a note of run.csv, since the table always runs
// to the largest area ratio the input check accepts and the design rests on
// none of them; a warning when the table is all the run was asked for (an
// area ratio of 0).
void warnUntestedAreaRatioRows(Session& io, Series seriesType, float bladeCount,
                               std::span<const float> rowAreaRatios, bool tableAlone);

// The published Gawn-Burrill regression judged where the run reports its
// result: the propeller's pitch and area ratios and the J of the design (none:
// a table over J, whose rows below the fitted J are a note). Figures the run
// tabulates beyond the fitted ranges are a note of run.csv (see Evaluator).
void warnGawnRegressionAt(Session& io, const SeriesModel& model, float pitchRatio, float areaRatio,
                          std::optional<float> j);

// Which scale correction the series is evaluated with, when one was asked
// for: this program's own (about six times the published one), the published
// ITTC-78 procedure, or none after all (the Gawn series is never corrected;
// without speed and revolutions there is nothing to scale from).
void warnCorrection(Session& io, Series seriesType, const ScaleCorrection& correction);

// Types 1 to 3: the chosen row has the first or the last pitch ratio of the
// sweep, so the optimum is not bracketed.
void warnChosenAtSweepEnd(Session& io, int row, float pitch, float firstPitch, float lastPitch);

// Types 7 to 10: the pitch ratio found is the first or the last of the table
// it was read from (to the printed three decimals); held names what the table
// holds against P/D ("Bp", "requirement").
void warnPitchAtTableEnd(Session& io, float pitch, float firstPitch, float lastPitch,
                         std::string_view held);

// Type 7: the given delta against N D / Va (N rpm, D in feet, Va in knots)
// of the given diameter, revolutions and speed; more than 1 % apart.
void warnBpDeltaMismatch(Session& io, const Task& task);

// Types 8 to 10: the requirement is 100 or more times the largest value of
// the pitch sweep (in the unit the task reads: kN, kW or kN m), which is what
// a value given in N, W or N m looks like.
enum class Requirement;  // pitch_sweep.hpp
void warnRequirementUnits(Session& io, Requirement quantity, float required, float sweepLargest);

// The blade checks of types 8 to 10. sigma is off a Burrill line when it lies
// below the line's first point or above its last: the minimum area ratio
// printed for that line is then not a result.
struct BurrillLine {
  std::string_view name;  // "2.5 % back cavitation", ...
  float firstSigma;
  float lastSigma;
};
void warnBurrillOffChart(Session& io, float sigma, std::span<const BurrillLine> lines);
void warnBelowBurrillMinimum(Session& io, float areaRatio, float minimumAreaRatio);
// Keller's minimum for fast twin-screw, slow twin-screw and single-screw ships.
void warnBelowKellerMinimum(Session& io, float areaRatio, float fastTwin, float slowTwin,
                            float singleScrew);
// Above the limit the user set (--tip-speed-limit); without one, no warning:
// the tip speed a propeller may run at depends on the ship, its hull
// clearance and its noise limits, and the report prints it with its advice.
void warnTipSpeed(Session& io, float tipSpeed);

// Each input on its own, before the cross-checks, so that a warning names the
// input that is wrong. Revolutions under 20 rpm for a propeller of 1 m or more
// (no ship's propeller turns that slowly) are probably revolutions per second.
void warnRevolutionsUnit(Session& io, float rpm, float diameter);

// Types 6 to 10: the J of the duty, Va / (n D), lies beyond the series, where
// even its largest pitch ratio gives no thrust: the speed of advance was
// perhaps given in knots, or the revolutions in rev/s.
void warnAdvanceBeyondSeries(Session& io, const SeriesModel& model, float bladeCount,
                             float areaRatio, float j, float advanceSpeed, float rpm);

// Types 2 and 3: a diameter found over 15 m or under 0.1 m (no ship's
// propeller is either) names the input that probably has the wrong unit: the
// requirement (thrust in kN, power in kW), the speed of advance or the
// revolutions. quantity is "thrust" or "power", in kN or kW.
void warnDesignDiameter(Session& io, std::string_view quantity, float required, float diameter,
                        float advanceSpeed, float rpm);
void warnNegativeShaftDepth(Session& io, float shaftDepth);

}  // namespace helisolv
