#include "problems/ground_warnings.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <vector>

#include "problems/blade_area_checks.hpp"
#include "series/formulas.hpp"
#include "series/gawn_regression.hpp"
#include "series/series.hpp"

namespace helisolv {

namespace {

// A value read from the task file is a 32-bit real: the round values of the
// tables below sit a few units of the last place from it, and the report
// prints three decimals.
constexpr float kPrintedTolerance = 0.0005f;

// A blade count within this of a whole number is that number, as the Gawn
// series' own rule takes three blades.
constexpr float kWholeBladeTolerance = 0.01f;

// The Wageningen B-series as published: the area ratios tested for each
// blade count, Z = 2 to 7.
constexpr int kFirstBladeCount = 2;
constexpr int kLastBladeCount = 7;
constexpr AreaRatioRange kWageningenAreaRatios[] = {
    {0.30f, 0.30f}, {0.35f, 0.80f}, {0.40f, 1.00f}, {0.45f, 1.05f}, {0.50f, 0.80f}, {0.55f, 0.85f},
};
constexpr float kWageningenPitchLow = 0.5f;
constexpr float kWageningenPitchHigh = 1.4f;

// The Gawn series: 37 three-bladed models.
constexpr int kGawnBlades = 3;
constexpr AreaRatioRange kGawnAreaRatios{0.20f, 1.10f};
constexpr float kGawnPitchLow = 0.4f;
constexpr float kGawnPitchHigh = 2.0f;

// Plausible ships' propellers: no screw turns slower than 20 rpm at a
// diameter of a metre or more, and none is larger than 15 m or smaller than
// 0.1 m (the largest are about 10 m); no single propeller takes 10 MN of
// thrust or 100 MW of power, well above the largest single screws.
constexpr float kSlowestRpm = 20.0f;
constexpr float kLargestDiameter = 15.0f;
constexpr float kSmallestDiameter = 0.1f;
constexpr float kLargestThrustKN = 10000.0f;
constexpr float kLargestPowerKW = 100000.0f;

// delta = N D / Va with D in feet and Va in knots.
constexpr float kFoot = 0.3048f;  // m

constexpr std::string_view kNotBacked =
    "the polynomials are extrapolated and the result is not backed by model tests";

std::string_view seriesName(Series seriesType) {
  return seriesType == Series::Wageningen ? "the Wageningen B-series" : "the Gawn series";
}

// The whole blade count a real one stands for, or none.
std::optional<int> wholeBlades(float bladeCount) {
  const float nearest = std::round(bladeCount);
  if (!(std::fabs(bladeCount - nearest) < kWholeBladeTolerance)) return std::nullopt;
  if (!(std::fabs(nearest) < 1000.0f)) return std::nullopt;
  return static_cast<int>(nearest);
}

// A ratio as given, with two decimals at least: "1.00", "0.55", "0.725".
std::string ratioNumber(float value) {
  const std::string plain = plainNumber(value);
  const size_t point = plain.find('.');
  if (plain.find('e') != std::string::npos ||
      (point != std::string::npos && point + 2 < plain.size()))
    return plain;
  return fixedNumber(value, 2);
}

std::string rangeText(float low, float high, int decimals) {
  if (low == high) return fixedNumber(low, decimals) + " only";
  return fixedNumber(low, decimals) + " to " + fixedNumber(high, decimals);
}

// "a", "a and b", "a, b and c".
std::string listed(const std::vector<std::string>& items) {
  std::string text;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += i + 1 == items.size() ? " and " : ", ";
    text += items[i];
  }
  return text;
}

bool near(float a, float b) {
  return std::fabs(a - b) < kPrintedTolerance;
}

}  // namespace

std::string plainNumber(float value) {
  if (!std::isfinite(value)) return "*****";
  // Without an exponent where the digits stay few: 4000000, not 4e+06.
  const float size = std::fabs(value);
  const bool plain = size == 0.0f || (size >= 1e-4f && size < 1e9f);
  std::array<char, 64> buffer{};
  const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                 plain ? std::chars_format::fixed : std::chars_format::general);
  return std::string(buffer.data(), end.ptr);
}

std::string fixedNumber(float value, int decimals) {
  if (!std::isfinite(value)) return "*****";
  // 39 digits before the point at most for a 32-bit real.
  std::array<char, 128> buffer{};
  const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                 std::chars_format::fixed, decimals);
  return std::string(buffer.data(), end.ptr);
}

std::optional<AreaRatioRange> testedAreaRatios(Series seriesType, float bladeCount) {
  if (seriesType == Series::Gawn) return kGawnAreaRatios;
  if (seriesType != Series::Wageningen) return std::nullopt;
  const std::optional<int> z = wholeBlades(bladeCount);
  if (!z || *z < kFirstBladeCount || *z > kLastBladeCount) return std::nullopt;
  return kWageningenAreaRatios[*z - kFirstBladeCount];
}

bool areaRatioTested(Series seriesType, float bladeCount, float areaRatio) {
  const std::optional<AreaRatioRange> range = testedAreaRatios(seriesType, bladeCount);
  return range && areaRatio > range->low - kPrintedTolerance &&
         areaRatio < range->high + kPrintedTolerance;
}

void warnBladeCount(Session& io, Series seriesType, float bladeCount) {
  const std::string z = plainNumber(bladeCount);
  const std::optional<int> whole = wholeBlades(bladeCount);
  if (seriesType == Series::Gawn) {
    if (!whole || *whole != kGawnBlades)
      warn(io, "blade number",
           "blade number Z = " + z +
               " is not that of the Gawn series, whose models all have 3 blades; the series is "
               "evaluated with Z = 3, so every figure is that of a three-bladed propeller");
  } else if (bladeCount < kFirstBladeCount - kWholeBladeTolerance ||
             bladeCount > kLastBladeCount + kWholeBladeTolerance) {
    warn(io, "blade number",
         "blade number Z = " + z + " is outside the Wageningen B-series (2 to 7 blades); " +
             std::string(kNotBacked));
  } else if (!whole) {
    warn(io, "blade number",
         "blade number Z = " + z +
             " is not a whole number; the Wageningen B-series has models of 2 to 7 blades only, "
             "so the polynomials interpolate between blade numbers and the result is not backed "
             "by model tests");
  }
}

void warnAreaRatio(Session& io, Series seriesType, float bladeCount, float areaRatio) {
  const std::optional<int> whole = wholeBlades(bladeCount);
  const std::optional<AreaRatioRange> range = testedAreaRatios(seriesType, bladeCount);
  // Without a tested blade count there is no tested area ratio either; the
  // blade number's warning says so.
  if (!range || areaRatioTested(seriesType, bladeCount, areaRatio)) return;
  const std::string blades =
      seriesType == Series::Gawn ? "its 3 blades" : std::to_string(*whole) + " blades";
  warn(io, "area ratio",
       "area ratio EAR = " + ratioNumber(areaRatio) + " is outside the area ratios " +
           std::string(seriesName(seriesType)) + " was tested at for " + blades + " (" +
           rangeText(range->low, range->high, 2) + "); " + std::string(kNotBacked));
}

void warnPitchRatio(Session& io, Series seriesType, float pitchRatio) {
  const float low = seriesType == Series::Gawn ? kGawnPitchLow : kWageningenPitchLow;
  const float high = seriesType == Series::Gawn ? kGawnPitchHigh : kWageningenPitchHigh;
  if (pitchRatio > low - kPrintedTolerance && pitchRatio < high + kPrintedTolerance) return;
  warn(io, "pitch ratio",
       "pitch ratio P/D = " + ratioNumber(pitchRatio) + " is outside " +
           std::string(seriesName(seriesType)) + " (" + rangeText(low, high, 1) + "); " +
           std::string(kNotBacked));
}

void warnUntestedAreaRatioRows(Session& io, Series seriesType, float bladeCount,
                               std::span<const float> rowAreaRatios, bool tableAlone) {
  std::vector<std::string> untested;
  for (float ear : rowAreaRatios)
    if (!areaRatioTested(seriesType, bladeCount, ear)) untested.push_back(fixedNumber(ear, 2));
  if (untested.empty()) return;
  const std::optional<AreaRatioRange> range = testedAreaRatios(seriesType, bladeCount);
  std::string tested = range ? rangeText(range->low, range->high, 2) : std::string("none");
  (tableAlone ? warn : note)(
      io, "area ratio table",
      "the table over area ratio has " + std::string(untested.size() == 1 ? "a row" : "rows") +
          " at EAR " + listed(untested) + ", outside the area ratios " +
          std::string(seriesName(seriesType)) +
          " was tested at for Z = " + plainNumber(bladeCount) + " (" + tested + "); " +
          std::string(untested.size() == 1 ? "its pitch ratio and efficiency are"
                                           : "their pitch ratios and efficiencies are") +
          " extrapolated");
}

void warnCorrection(Session& io, Series seriesType, const ScaleCorrection& correction) {
  if (correction.viscousFlag == 0) return;
  if (seriesType != Series::Wageningen) {
    warn(io, "viscous correction",
         "a viscous correction was asked for, but the Gawn series is never corrected: its "
         "coefficients are those of the model tests");
    return;
  }
  if (!correction.applies()) {
    warn(io, "viscous correction",
         "a viscous correction was asked for, but with neither a speed of advance nor "
         "revolutions there is no full scale to correct to: the coefficients are those of the "
         "model tests, although the report names the ITTC78 correction");
    return;
  }
  // Any flag but 0 corrects, while the report names the correction for a
  // flag of 1 only.
  const std::string flag = correction.viscousFlag == 1
                               ? std::string()
                               : "; the viscous flag " + std::to_string(correction.viscousFlag) +
                                     " applies it although the report says no correction was made";
  switch (correction.method) {
    case ViscousCorrection::Legacy:
      warn(io, "viscous correction",
           "the viscous correction applied is this program's own formulation, which the report "
           "calls ITTC78: it is about six times the published ITTC-78 correction in size (see "
           "the README on the viscous correction); --viscous-correction=ittc78 applies the "
           "published one" +
               flag);
      return;
    case ViscousCorrection::Ittc78:
      warn(io, "viscous correction",
           "the viscous correction applied is the published ITTC-78 procedure "
           "(--viscous-correction=ittc78)" +
               flag);
      return;
    case ViscousCorrection::Reynolds:
      warn(io, "viscous correction",
           "the viscous correction applied is the published B-series Reynolds-number "
           "correction (--viscous-correction=reynolds)" +
               flag);
      return;
  }
}

void warnChosenAtSweepEnd(Session& io, int row, float pitch, float firstPitch, float lastPitch) {
  const bool first = near(pitch, firstPitch);
  if (!first && !near(pitch, lastPitch)) return;
  warn(io, "optimum at the edge",
       "the chosen propeller (row " + std::to_string(row) + ", P/D = " + fixedNumber(pitch, 3) +
           ") has the " + (first ? "first" : "last") + " pitch ratio of the sweep (P/D " +
           fixedNumber(firstPitch, 2) + " to " + fixedNumber(lastPitch, 2) +
           "): the efficiency may still rise " + (first ? "below" : "above") +
           " it, so the optimum may lie outside the series");
}

void warnPitchAtTableEnd(Session& io, float pitch, float firstPitch, float lastPitch,
                         std::string_view held) {
  const bool first = near(pitch, firstPitch);
  if (!first && !near(pitch, lastPitch)) return;
  warn(io, "optimum at the edge",
       "the pitch ratio found, P/D = " + fixedNumber(pitch, 3) + ", is the " +
           (first ? "first" : "last") + " pitch ratio of the table it was read from (P/D " +
           fixedNumber(firstPitch, 2) + " to " + fixedNumber(lastPitch, 2) +
           "): the design sits at the edge of what was swept, and a slightly " +
           (first ? "smaller" : "larger") + " " + std::string(held) +
           " has no propeller in the table");
}

void warnBpDeltaMismatch(Session& io, const Task& task) {
  const float feet = task.diameter / kFoot;
  const float knots = task.advanceSpeed / kKnot;
  const float implied = task.rpm * feet / knots;
  // Without a positive diameter, speed and revolutions there is no delta to
  // compare with.
  if (!(feet > 0.0f && knots > 0.0f && task.rpm > 0.0f && std::isfinite(implied))) return;
  const float apart = std::fabs(task.delta - implied) / implied;
  if (!(apart > 0.01f)) return;
  warn(io, "Bp-delta",
       "delta = " + plainNumber(task.delta) + " as given differs by " +
           fixedNumber(100.0f * apart, 1) + " % from N D / Va = " + fixedNumber(implied, 2) +
           " of the given N = " + plainNumber(task.rpm) + " rpm, D = " + fixedNumber(feet, 3) +
           " ft (" + plainNumber(task.diameter) + " m) and Va = " + fixedNumber(knots, 3) +
           " kn (" + plainNumber(task.advanceSpeed) +
           " m/s); the design used the given delta for J and the pitch ratio, and the given D "
           "and N for thrust, torque and power");
}

void warnRequirementUnits(Session& io, Requirement quantity, float required, float sweepLargest) {
  if (!(sweepLargest > 0.0f) || !(required >= 100.0f * sweepLargest)) return;
  // An input found wrong on its own explains the mismatch better.
  if (warned(io, "revolutions unit") || warned(io, "advance coefficient")) return;
  struct Names {
    std::string_view what, unit, smallUnit;
  };
  static constexpr Names kNames[] = {
      {"thrust", "kN", "N"}, {"power", "kW", "W"}, {"torque", "kN m", "N m"}};
  const Names& n = kNames[static_cast<int>(quantity)];
  const std::string unit(n.unit);
  warn(io, "units",
       "the required " + std::string(n.what) + " of " + plainNumber(required) + " " + unit +
           " is " + fixedNumber(required / sweepLargest, 0) + " times the largest " +
           std::string(n.what) + " of the pitch sweep (" + fixedNumber(sweepLargest, 2) + " " +
           unit + "): it was probably given in " + std::string(n.smallUnit) + " where " + unit +
           " is read (" + plainNumber(required) + " " + std::string(n.smallUnit) + " is " +
           plainNumber(required / 1000.0f) + " " + unit + ")");
}

void warnBurrillOffChart(Session& io, float sigma, std::span<const BurrillLine> lines) {
  std::vector<std::string> off;
  for (const BurrillLine& line : lines) {
    if (sigma < line.firstSigma)
      off.push_back("the " + std::string(line.name) +
                    " line (it starts at sigma = " + plainNumber(line.firstSigma) + ")");
    else if (sigma > line.lastSigma)
      off.push_back("the " + std::string(line.name) +
                    " line (it ends at sigma = " + plainNumber(line.lastSigma) + ")");
  }
  if (off.empty()) return;
  warn(io, "Burrill chart",
       "the cavitation number sigma 0.7R = " + fixedNumber(sigma, 3) +
           " lies off Burrill's chart for " + listed(off) +
           (off.size() == 1 ? ": the minimum area ratio printed for that line is not a result"
                            : ": the minimum area ratios printed for those lines are not results"));
}

void warnBelowBurrillMinimum(Session& io, float areaRatio, float minimumAreaRatio) {
  if (!(areaRatio < minimumAreaRatio)) return;
  warn(io, "cavitation Burrill",
       "area ratio EAR = " + fixedNumber(areaRatio, 3) +
           " is below the minimum of Burrill's 5% back cavitation line (" +
           fixedNumber(minimumAreaRatio, 3) + "): back cavitation is likely");
}

void warnBelowKellerMinimum(Session& io, float areaRatio, float fastTwin, float slowTwin,
                            float singleScrew) {
  struct Class {
    std::string_view ships;
    float minimum;
  };
  const Class classes[] = {
      {"fast twin-screw", fastTwin}, {"slow twin-screw", slowTwin}, {"single-screw", singleScrew}};
  std::vector<std::string> below;
  for (const Class& c : classes)
    if (areaRatio < c.minimum)
      below.push_back(std::string(c.ships) + " ships (" + fixedNumber(c.minimum, 3) + ")");
  if (below.empty()) return;
  warn(io, "cavitation Keller",
       "area ratio EAR = " + fixedNumber(areaRatio, 3) +
           " is below Keller's minimum area ratio for " + listed(below) +
           ": back cavitation is likely on such a ship");
}

void warnTipSpeed(Session& io, float tipSpeed) {
  if (!(io.tipSpeedLimit > 0.0f) || !(tipSpeed > io.tipSpeedLimit)) return;
  warn(io, "tip speed",
       "tip speed Vtip = " + fixedNumber(tipSpeed, 2) + " m/s is above the limit of " +
           plainNumber(io.tipSpeedLimit) +
           " m/s set by --tip-speed-limit: tip vortex cavitation is likely");
}

void warnGawnRegressionAt(Session& io, const SeriesModel& model, float pitchRatio, float areaRatio,
                          std::optional<float> j) {
  if (model.seriesType != Series::Gawn || model.gawn != GawnModel::Regression) return;
  // A J inside the fitted range stands for "J not judged".
  const float judgedJ = j.value_or(kGawnRegressionMinAdvance);
  if (!outsideGawnRegression(pitchRatio, areaRatio, judgedJ)) return;
  std::vector<std::string> outside;
  if (outsideGawnRegression(pitchRatio, kGawnRegressionMinAreaRatio, kGawnRegressionMinAdvance))
    outside.push_back("P/D = " + fixedNumber(pitchRatio, 3) + " (fitted 0.8 to 1.8)");
  if (outsideGawnRegression(kGawnRegressionMinPitchRatio, areaRatio, kGawnRegressionMinAdvance))
    outside.push_back("area ratio " + ratioNumber(areaRatio) + " (fitted 0.5 to 1.1)");
  if (outsideGawnRegression(kGawnRegressionMinPitchRatio, kGawnRegressionMinAreaRatio, judgedJ))
    outside.push_back("J = " + fixedNumber(judgedJ, 3) + " (fitted from 0.3)");
  warn(io, "gawn regression range",
       "the result lies outside the fitted ranges of the Gawn-Burrill regression at " +
           listed(outside) + "; its values there are extrapolated");
}

void warnRevolutionsUnit(Session& io, float rpm, float diameter) {
  if (!(rpm > 0.0f && rpm < kSlowestRpm && diameter >= 1.0f)) return;
  warn(io, "revolutions unit",
       "N = " + plainNumber(rpm) +
           " rpm is too slow for a propeller of D = " + plainNumber(diameter) +
           " m (none turns under " + plainNumber(kSlowestRpm) + " rpm): probably given in rev/s (" +
           plainNumber(rpm) + " rev/s is " + plainNumber(rpm * 60.0f) + " rpm)");
}

void warnAdvanceBeyondSeries(Session& io, const SeriesModel& model, float bladeCount,
                             float areaRatio, float j, float advanceSpeed, float rpm) {
  if (warned(io, "revolutions unit") || !std::isfinite(j)) return;
  const float highest = model.seriesType == Series::Gawn ? kGawnPitchHigh : kWageningenPitchHigh;
  const OpenWaterPoint point =
      evaluateOpenWater(model, Propeller{bladeCount, areaRatio, highest}, j, ScaleCorrection{});
  if (!(point.kt <= 0.0f)) return;
  warn(io, "advance coefficient",
       "the duty's J = Va / (n D) = " + fixedNumber(j, 3) +
           " lies beyond the series: even its largest pitch ratio, P/D " + fixedNumber(highest, 1) +
           ", gives no thrust there; the speed of advance Va = " + plainNumber(advanceSpeed) +
           " m/s was perhaps given in knots (" + plainNumber(advanceSpeed) + " kn is " +
           fixedNumber(advanceSpeed * kKnot, 3) +
           " m/s), or the revolutions N = " + plainNumber(rpm) + " rpm are too low");
}

void warnDesignDiameter(Session& io, std::string_view quantity, float required, float diameter,
                        float advanceSpeed, float rpm) {
  const bool large = diameter > kLargestDiameter;
  if (!large && !(diameter < kSmallestDiameter)) return;
  const bool thrust = quantity == "thrust";
  const std::string unit = thrust ? "kN" : "kW";
  std::string likely;
  if (warned(io, "revolutions unit")) {
    likely = "the revolutions N = " + plainNumber(rpm) + " rpm were probably given in rev/s";
  } else if (large && required >= (thrust ? kLargestThrustKN : kLargestPowerKW)) {
    likely = "the required " + std::string(quantity) + " of " + plainNumber(required) + " " + unit +
             " was probably given in " + (thrust ? "N" : "W") + " (" +
             plainNumber(required / 1000.0f) + " " + unit + ")";
  } else {
    likely = "check the required " + std::string(quantity) + " (" + unit + ", not " +
             (thrust ? "N" : "W") + "), the speed of advance Va = " + plainNumber(advanceSpeed) +
             " m/s (not knots) and the revolutions N = " + plainNumber(rpm) + " rpm (not rev/s)";
  }
  warn(io, "diameter",
       "the diameter found, D = " + fixedNumber(diameter, 3) + " m, is " +
           (large ? "over " + plainNumber(kLargestDiameter)
                  : "under " + plainNumber(kSmallestDiameter)) +
           " m, which no ship's propeller is: " + likely);
}

void warnNegativeShaftDepth(Session& io, float shaftDepth) {
  if (!(shaftDepth < 0.0f)) return;
  warn(io, "shaft depth",
       "shaft depth Hs = " + plainNumber(shaftDepth) +
           " m is negative, which puts the shaft above the water: the cavitation number and "
           "Keller's minimum area ratio computed from it (negative for a depth below about "
           "-9.8 m) are not results");
}

}  // namespace helisolv
