// Each warning's threshold judged at its edge: the last value that stays
// quiet and the next 32-bit value beyond it, which warns. Where the edge is
// a value a float can hold exactly, the pair is the two adjacent floats, so
// that a strict comparison turned into a loose one (or the reverse) shows.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "problems/blade_area_checks.hpp"
#include "problems/ground_warnings.hpp"
#include "series/reynolds_correction.hpp"

namespace helisolv {
namespace {

float below(float x) {
  return std::nextafter(x, -INFINITY);
}
float above(float x) {
  return std::nextafter(x, INFINITY);
}

struct Edge {
  const char* what;
  std::function<void(Session&, float)> judge;
  float quiet;
  float warns;
  const char* says = "";  // the words of the warning judged: another may be given
};

bool says(const Session& io, const char* words) {
  for (const Warning& w : io.warnings)
    if (w.text.find(words) != std::string::npos) return true;
  return false;
}

// Type 7's delta check with D 1 ft and Va 1 kn, so that N D / Va is N itself.
void bpDelta(Session& io, float delta) {
  Task t;
  t.diameter = 0.3048f;
  t.advanceSpeed = 0.5144f;
  t.rpm = 100.0f;
  t.delta = delta;
  warnBpDeltaMismatch(io, t);
}

void gawnRegression(Session& io, float pd, float ear, float j) {
  warnGawnRegressionAt(io, SeriesModel{2, GawnModel::Regression}, pd, ear, j);
}

void reynolds(Session& io, float rn) {
  if (bSeriesReynoldsCorrection(0.5f, 1.0f, 0.55f, 4.0f, rn).rnClamped) warn(io, "rn", "clamped");
}

const BurrillLine kLine[] = {{"5 % back cavitation", 0.15f, 1.5f}};

const Edge kEdges[] = {
    // The tested area ratios of B4 (0.40 to 1.00) and of the Gawn series (0.20
    // to 1.10), taken to the printed three decimals.
    {"B4 area ratio, low", [](Session& io, float x) { warnAreaRatio(io, 1, 4.0f, x); },
     above(0.40f - 0.0005f), 0.40f - 0.0005f},
    {"B4 area ratio, high", [](Session& io, float x) { warnAreaRatio(io, 1, 4.0f, x); },
     below(1.00f + 0.0005f), 1.00f + 0.0005f},
    {"Gawn area ratio, high", [](Session& io, float x) { warnAreaRatio(io, 2, 3.0f, x); },
     below(1.10f + 0.0005f), 1.10f + 0.0005f},
    {"B-series pitch ratio, low", [](Session& io, float x) { warnPitchRatio(io, 1, x); },
     above(0.5f - 0.0005f), 0.5f - 0.0005f},
    {"Gawn pitch ratio, high", [](Session& io, float x) { warnPitchRatio(io, 2, x); },
     below(2.0f + 0.0005f), 2.0f + 0.0005f},
    {"area ratio table row",
     [](Session& io, float x) {
       const float rows[] = {0.55f, x};
       warnUntestedAreaRatioRows(io, 1, 4.0f, rows, true);
     },
     below(1.00f + 0.0005f), 1.00f + 0.0005f},
    // Blade numbers: 2 to 7 for the B-series, 3 for Gawn, each to 0.01.
    {"fewest B-series blades", [](Session& io, float z) { warnBladeCount(io, 1, z); }, 2.0f - 0.01f,
     below(2.0f - 0.01f), "is outside"},
    {"most B-series blades", [](Session& io, float z) { warnBladeCount(io, 1, z); }, 7.0f + 0.01f,
     above(7.0f + 0.01f), "is outside"},
    {"whole B-series blade number", [](Session& io, float z) { warnBladeCount(io, 1, z); }, 4.0099f,
     4.0101f},
    {"Gawn blade number", [](Session& io, float z) { warnBladeCount(io, 2, z); }, 2.9901f, 2.9899f},
    // The design at the first or last pitch ratio of its sweep or table.
    {"chosen at the first pitch ratio",
     [](Session& io, float pd) { warnChosenAtSweepEnd(io, 1, pd, 0.5f, 1.4f); }, 0.5006f, 0.5004f},
    {"found at the last pitch ratio",
     [](Session& io, float pd) { warnPitchAtTableEnd(io, pd, 0.5f, 1.4f, "requirement"); }, 1.3994f,
     1.3996f},
    // Inputs that contradict each other or look like another unit.
    {"delta 1 % above N D / Va", bpDelta, 101.0f, above(101.0f)},
    {"delta 1 % below N D / Va", bpDelta, 99.0f, below(99.0f)},
    {"requirement 100 times the sweep's largest",
     [](Session& io, float t) { warnRequirementUnits(io, Requirement::Thrust, t, 1.0f); },
     below(100.0f), 100.0f},
    {"slowest rpm", [](Session& io, float n) { warnRevolutionsUnit(io, n, 2.0f); }, 20.0f,
     below(20.0f)},
    {"smallest diameter of the rpm check",
     [](Session& io, float d) { warnRevolutionsUnit(io, 10.0f, d); }, below(1.0f), 1.0f},
    {"largest designed diameter",
     [](Session& io, float d) { warnDesignDiameter(io, "thrust", 400.0f, d, 6.0f, 120.0f); }, 15.0f,
     above(15.0f)},
    {"smallest designed diameter",
     [](Session& io, float d) { warnDesignDiameter(io, "power", 400.0f, d, 6.0f, 120.0f); }, 0.1f,
     below(0.1f)},
    {"shaft depth", warnNegativeShaftDepth, 0.0f, -1e-30f},
    // The blade checks.
    {"Burrill chart's first sigma", [](Session& io, float s) { warnBurrillOffChart(io, s, kLine); },
     0.15f, below(0.15f)},
    {"Burrill chart's last sigma", [](Session& io, float s) { warnBurrillOffChart(io, s, kLine); },
     1.5f, above(1.5f)},
    {"Burrill's minimum", [](Session& io, float ear) { warnBelowBurrillMinimum(io, ear, 0.6f); },
     0.6f, below(0.6f)},
    {"Keller's single-screw minimum",
     [](Session& io, float ear) { warnBelowKellerMinimum(io, ear, 0.3f, 0.4f, 0.5f); }, 0.5f,
     below(0.5f)},
    {"tip speed limit",
     [](Session& io, float v) {
       io.tipSpeedLimit = 40.0f;
       warnTipSpeed(io, v);
     },
     40.0f, above(40.0f)},
    // The published models' fitted ranges.
    {"regression P/D, low", [](Session& io, float pd) { gawnRegression(io, pd, 0.7f, 0.5f); }, 0.8f,
     below(0.8f)},
    {"regression P/D, high", [](Session& io, float pd) { gawnRegression(io, pd, 0.7f, 0.5f); },
     1.8f, above(1.8f)},
    {"regression area ratio, low",
     [](Session& io, float ear) { gawnRegression(io, 1.0f, ear, 0.5f); }, 0.5f, below(0.5f)},
    {"regression area ratio, high",
     [](Session& io, float ear) { gawnRegression(io, 1.0f, ear, 0.5f); }, 1.1f, above(1.1f)},
    {"regression J", [](Session& io, float j) { gawnRegression(io, 1.0f, 0.7f, j); }, 0.3f,
     below(0.3f)},
    {"Reynolds number, low", reynolds, 2.0e6f, below(2.0e6f)},
    {"Reynolds number, high", reynolds, 2.0e9f, above(2.0e9f)},
};

TEST(WarningEdges, TheLastQuietValueAndTheFirstThatWarns) {
  for (const Edge& e : kEdges) {
    SCOPED_TRACE(e.what);
    Session quiet;
    e.judge(quiet, e.quiet);
    EXPECT_FALSE(says(quiet, e.says)) << e.quiet << ": " << quiet.warnings.front().text;
    Session warned;
    e.judge(warned, e.warns);
    EXPECT_TRUE(says(warned, e.says)) << e.warns << " gives no such warning";
    if (!*e.says) {
      EXPECT_EQ(warned.warnings.size(), 1u);
    }
  }
  // Without a limit no tip speed warns, however high.
  Session io;
  warnTipSpeed(io, 1e30f);
  EXPECT_TRUE(io.warnings.empty());
}

}  // namespace
}  // namespace helisolv
