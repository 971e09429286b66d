// The optimum-design solvers (types 1, 2, 3) and the Bp-delta design (type 7)
// run whole, in-process, in a temporary folder: what they leave in the problem
// record, that the chosen propeller really meets the required loading or Bp,
// the positive-input checks, and that no input makes them print a value that
// is not a number. The printed bytes are compared by the recorded cases.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "driver/driver.hpp"
#include "driver/record.hpp"
#include "task_run.hpp"

namespace helisolv {
namespace {

namespace fs = std::filesystem;

class Design : public TaskRun {
 protected:
  // Rows of the Bp-delta table: lines of digits, points and blanks only
  // holding the row number and six more numbers.
  std::vector<std::vector<double>> rows() const {
    std::vector<std::vector<double>> found;
    std::istringstream in(console.str());
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty() || line.find_first_not_of(" .-0123456789") != std::string::npos) continue;
      std::istringstream fields(line);
      std::vector<double> v;
      for (double x; fields >> x;) v.push_back(x);
      if (v.size() == 7) found.push_back(v);
    }
    return found;
  }
};

// A record value widened for the checks, which are made in double.
double wide(float v) {
  return static_cast<double>(v);
}

// Relative distance, for values the solvers compute in 32 bits.
double rel(double got, double want) {
  return std::fabs(got - want) / std::fabs(want);
}

TEST_F(Design, KtJ2ChosenPropellerMeetsTheLoadingAndWritesItsRevolutions) {
  for (int series : {1, 2}) {
    SCOPED_TRACE(series);
    ASSERT_EQ(run(series, 1, "350 4 6 1025 4 0.55", "H"), 0);
    const double j = wide(rec.advanceRatio);
    const double target = 350.0 * 1000.0 / (1025.0 * 36.0 * 16.0);
    EXPECT_LT(rel(wide(rec.kt) / (j * j), target), 1e-3);
    // The revolutions the propeller must turn go back into the record.
    EXPECT_LT(rel(wide(rec.rpm), 60.0 * 6.0 / (4.0 * j)), 1e-5);
    EXPECT_NEAR(after("RPM="), wide(rec.rpm), 0.005);
    EXPECT_FLOAT_EQ(rec.diameter, 4.0f);
  }
}

TEST_F(Design, KtJ4ChosenPropellerGivesTheDiameterAndKeepsTheRevolutions) {
  for (int series : {1, 2}) {
    SCOPED_TRACE(series);
    ASSERT_EQ(run(series, 2, "600 200 7 1025 4 0.7"), 0);
    const double j = wide(rec.advanceRatio);
    const double n = 200.0 / 60.0;
    EXPECT_LT(rel(wide(rec.kt) / std::pow(j, 4), n * n * 600e3 / (std::pow(7.0, 4) * 1025.0)),
              1e-3);
    EXPECT_LT(rel(wide(rec.diameter), 7.0 / (j * n)), 1e-5);
    EXPECT_FLOAT_EQ(rec.rpm, 200.0f);
    EXPECT_FLOAT_EQ(rec.thrust, 600.0f);  // kN as read
  }
}

TEST_F(Design, KqJ5KeepsTheComputedThrustInNewtons) {
  for (int series : {1, 2}) {
    SCOPED_TRACE(series);
    ASSERT_EQ(run(series, 3, "5000 7 150 1025 4 0.7"), 0);
    const double j = wide(rec.advanceRatio);
    const double n = 2.5;
    const double pi = 3.14159265358979;
    EXPECT_LT(
        rel(wide(rec.kq) / std::pow(j, 5), n * n * 5e6 / (2 * pi * 1025.0 * std::pow(7.0, 5))),
        1e-3);
    const double d = 7.0 / (j * n);
    EXPECT_LT(rel(wide(rec.diameter), d), 1e-5);
    EXPECT_LT(rel(wide(rec.thrust), wide(rec.kt) * 1025.0 * n * n * std::pow(d, 4)), 1e-5);
    EXPECT_NEAR(after("T="), wide(rec.thrust) / 1000.0, 0.005);
    // The delivered power of the chosen row equals the given one within the
    // interpolation error.
    EXPECT_LT(rel(after("Pd="), 5000.0), 2e-3);
  }
}

TEST_F(Design, BpDeltaReadsThePitchRatioOffTheBpColumn) {
  for (int series : {1, 2}) {
    SCOPED_TRACE(series);
    ASSERT_EQ(run(series, 7, "27.95 162.66 4 0.6 1025 2.5 546 12 0"), 0);
    const double j = 101.2685 / 162.66;
    EXPECT_LT(rel(wide(rec.advanceRatio), j), 1e-6);
    // The chosen propeller absorbs the given Bp, to the parabola's accuracy.
    EXPECT_LT(rel(33.06746 * std::sqrt(wide(rec.kq) / std::pow(j, 5)), 27.95), 2e-3);
    const double n = 546.0 / 60.0;
    EXPECT_LT(rel(wide(rec.thrust), wide(rec.kt) * 1025.0 * n * n * std::pow(2.5, 4)), 1e-5);
  }
}

TEST_F(Design, BpDeltaAtATabulatedBpGivesThatRowsPitchRatio) {
  ASSERT_EQ(run(1, 7, "27.95 162.66 4 0.6 1025 2.5 546 12 0"), 0);
  const auto table = rows();
  ASSERT_GE(table.size(), 9u);
  std::ostringstream inputs;
  inputs.precision(9);
  inputs << table[8][5] << " 162.66 4 0.6 1025 2.5 546 12 0";
  ASSERT_EQ(run(1, 7, inputs.str()), 0);
  EXPECT_NEAR(after("P/D="), table[8][1], 0.0015);
}

TEST_F(Design, NonPositiveInputsStopBeforeAnyTable) {
  struct Case {
    int type;
    const char* inputs;
    const char* symbol;
  };
  for (const Case& c :
       {Case{1, "400 4 -6 1025 4 0.55", "Va"}, Case{2, "400 0 6 1025 4 0.55", "N"},
        Case{2, "400 150 6 -1 4 0.55", "RHO"}, Case{3, "400 6 -150 1025 4 0.55", "N"},
        Case{7, "30 0 4 0.6 1025 2.5 546 12 0", "delta"}}) {
    SCOPED_TRACE(c.inputs);
    ASSERT_EQ(run(1, c.type, c.inputs), 3);
    EXPECT_NE(son.find(std::string("Hesabi istenen ") + c.symbol + " ="), std::string::npos);
    EXPECT_EQ(son.find("Pervane Karakteristikleri"), std::string::npos);
  }
}

}  // namespace
}  // namespace helisolv
