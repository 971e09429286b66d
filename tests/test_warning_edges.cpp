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
  warnGawnRegressionAt(io, SeriesModel{Series::Gawn, GawnModel::Regression}, pd, ear, j);
}

void reynolds(Session& io, float rn) {
  if (bSeriesReynoldsCorrection(0.5f, 1.0f, 0.55f, 4.0f, rn).rnClamped) warn(io, "rn", "clamped");
}

void tipSpeed40(Session& io, float v) {
  io.tipSpeedLimit = 40.0f;
  warnTipSpeed(io, v);
}

const BurrillLine kLine[] = {{"5 % back cavitation", 0.15f, 1.5f}};

// The tested ranges are judged to the printed three decimals.
constexpr float kTol = 0.0005f;
using Io = Session&;

const Edge kEdges[] = {
    {"B4 area ratio, low", [](Io io, float x) { warnAreaRatio(io, Series::Wageningen, 4, x); },
     above(0.4f - kTol), 0.4f - kTol},
    {"B4 area ratio, high", [](Io io, float x) { warnAreaRatio(io, Series::Wageningen, 4, x); },
     below(1 + kTol), 1 + kTol},
    {"B-series P/D, low", [](Io io, float x) { warnPitchRatio(io, Series::Wageningen, x); },
     above(0.5f - kTol), 0.5f - kTol},
    {"Gawn P/D, high", [](Io io, float x) { warnPitchRatio(io, Series::Gawn, x); }, below(2 + kTol),
     2 + kTol},
    {"fewest blades", [](Io io, float z) { warnBladeCount(io, Series::Wageningen, z); }, 2 - 0.01f,
     below(2 - 0.01f), "is outside"},
    {"most blades", [](Io io, float z) { warnBladeCount(io, Series::Wageningen, z); }, 7 + 0.01f,
     above(7 + 0.01f), "is outside"},
    {"whole blades", [](Io io, float z) { warnBladeCount(io, Series::Wageningen, z); }, 4.0099f,
     4.0101f},
    {"Gawn blades", [](Io io, float z) { warnBladeCount(io, Series::Gawn, z); }, 2.9901f, 2.9899f},
    {"first P/D of the sweep", [](Io io, float x) { warnChosenAtSweepEnd(io, 1, x, 0.5f, 1.4f); },
     0.5006f, 0.5004f},
    {"last P/D of the table", [](Io io, float x) { warnPitchAtTableEnd(io, x, 0.5f, 1.4f, "T"); },
     1.3994f, 1.3996f},
    {"delta 1 % off", bpDelta, 101.0f, above(101.0f)},
    {"requirement in N",
     [](Io io, float t) { warnRequirementUnits(io, Requirement::Thrust, t, 1.0f); }, below(100.0f),
     100.0f},
    {"rpm in rev/s", [](Io io, float n) { warnRevolutionsUnit(io, n, 2.0f); }, 20.0f, below(20.0f)},
    {"rpm check's diameter", [](Io io, float d) { warnRevolutionsUnit(io, 10, d); }, below(1.0f),
     1.0f},
    {"largest design", [](Io io, float d) { warnDesignDiameter(io, "thrust", 400, d, 6, 120); },
     15.0f, above(15.0f)},
    {"smallest design", [](Io io, float d) { warnDesignDiameter(io, "power", 400, d, 6, 120); },
     0.1f, below(0.1f)},
    {"shaft depth", warnNegativeShaftDepth, 0.0f, -1e-30f},
    {"Burrill's first sigma", [](Io io, float s) { warnBurrillOffChart(io, s, kLine); }, 0.15f,
     below(0.15f)},
    {"Burrill's last sigma", [](Io io, float s) { warnBurrillOffChart(io, s, kLine); }, 1.5f,
     above(1.5f)},
    {"Burrill's minimum", [](Io io, float x) { warnBelowBurrillMinimum(io, x, 0.6f); }, 0.6f,
     below(0.6f)},
    {"Keller's minimum", [](Io io, float x) { warnBelowKellerMinimum(io, x, 0.3f, 0.4f, 0.5f); },
     0.5f, below(0.5f)},
    {"tip speed limit", tipSpeed40, 40.0f, above(40.0f)},
    {"regression P/D, low", [](Io io, float x) { gawnRegression(io, x, 0.7f, 0.5f); }, 0.8f,
     below(0.8f)},
    {"regression P/D, high", [](Io io, float x) { gawnRegression(io, x, 0.7f, 0.5f); }, 1.8f,
     above(1.8f)},
    {"regression EAR, low", [](Io io, float x) { gawnRegression(io, 1, x, 0.5f); }, 0.5f,
     below(0.5f)},
    {"regression EAR, high", [](Io io, float x) { gawnRegression(io, 1, x, 0.5f); }, 1.1f,
     above(1.1f)},
    {"regression J", [](Io io, float j) { gawnRegression(io, 1, 0.7f, j); }, 0.3f, below(0.3f)},
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
