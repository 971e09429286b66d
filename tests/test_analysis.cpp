// The analysis solvers (types 4, 5 and 6) run whole, in-process, in a
// temporary folder: what they leave in the problem record, the physics of the
// chosen bollard propeller, and that no input makes them hang or print a value
// that is not a number. The printed bytes are checked by the recorded cases
// under e2e/ and conformance/.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "driver/driver.hpp"
#include "driver/record.hpp"
#include "problems/sort_ascending.hpp"
#include "task_run.hpp"

namespace helisolv {
namespace {

namespace fs = std::filesystem;

TEST(SortAscending, SortsEntriesOneToCountOnly) {
  float v[8] = {-7.0f, 1.5f, 0.05f, 1.5f, -0.3f, 0.0f, 0.05f, 2.0f};
  int count = 6;
  sortAscending(count, v);
  const float want[8] = {-7.0f, -0.3f, 0.0f, 0.05f, 0.05f, 1.5f, 1.5f, 2.0f};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(v[i], want[i]) << i;
  count = 1;
  v[1] = 9.0f;
  sortAscending(count, v);  // a single entry: nothing to compare, nothing moved
  EXPECT_EQ(v[0], -7.0f);
  EXPECT_EQ(v[1], 9.0f);
}

using Analysis = TaskRun;

// A record value widened for the checks, which are made in double.
double wide(float v) {
  return static_cast<double>(v);
}

TEST_F(Analysis, OpenWaterCorrectionTakesDiameterAndRevolutionsFromTheConsole) {
  ASSERT_EQ(run(1, 5, "1.0 4 0.55", "e\n3.5, 180"), 0);
  EXPECT_EQ(rec.viscousFlag, 1);
  EXPECT_EQ(rec.diameter, 3.5f);
  EXPECT_EQ(rec.rpm, 180.0f);
  EXPECT_EQ(son.find("HESAPLANACAK"), std::string::npos);  // questions are console only
  ASSERT_EQ(run(1, 5, "1.0 4 0.55", "H"), 0);
  EXPECT_EQ(rec.viscousFlag, 0);
  EXPECT_EQ(rec.diameter, 0.0f);
}

TEST_F(Analysis, OperatingPointLeavesItsResultsInTheRecord) {
  // J = 6 / (2.5 * 4) = 0.6 lies on the grid: the interpolation returns that row.
  ASSERT_EQ(run(1, 6, "1.0 4 0.55 1025 4.0 150 6 0"), 0);
  EXPECT_EQ(rec.advanceRatio, 0.6f);
  const double kt = wide(rec.kt), kq = wide(rec.kq), thrust = wide(rec.thrust);
  EXPECT_NEAR(kt, 0.2241, 6e-5);  // the row at J 0.6 of the recorded case t6_J_high
  EXPECT_NEAR(10.0 * kq, 0.3657, 6e-5);
  const double n = 2.5;
  EXPECT_NEAR(thrust, kt * std::pow(4.0, 4) * n * n * 1025.0, 1e-5 * thrust);  // in N
  EXPECT_NEAR(wide(rec.eta0), kt / kq * 0.6 / 6.283185307179586, 1e-6);
}

TEST_F(Analysis, ChosenBollardPropellerAbsorbsThePower) {
  ASSERT_EQ(run(1, 4, "1800 140 1025 5 0.75 3.4 3.6 3.8", "2"), 0);
  EXPECT_EQ(rec.diameter, 3.6f);
  EXPECT_NEAR(after("Pd="), 1800.0, 0.01 * 1800.0);  // P/D from a linear fit of Kq
  const double n = 140.0 / 60.0, thrust = wide(rec.thrust);
  EXPECT_NEAR(thrust, std::pow(3.6, 4) * wide(rec.kt) * n * n * 1025.0, 1e-5 * thrust);
  EXPECT_NEAR(after("T="), thrust / 1000.0, 1e-3);
}

TEST_F(Analysis, BollardRunsEndWithoutAValidChoice) {
  // The console ends while the choice is still being asked: the reader's
  // run-time error, never an endless question.
  EXPECT_EQ(run(1, 4, "1800 140 1025 5 0.75 3.4 3.6 3.8", "7\n0", 0), 1);
  EXPECT_EQ(errors.str().rfind("\nrun-time error ", 0), 0u);
  // The Gawn refusal comes before the area-ratio check, the table and the question.
  ASSERT_EQ(run(2, 4, "2000 150 1025 4 5.0 3 3.5 4"), 3);
  EXPECT_NE(son.find("BOLLARD DURUMU HESABI MUMKUN DEGIL"), std::string::npos);
  EXPECT_EQ(son.find("Hata"), std::string::npos);
  EXPECT_EQ(console.str().find("INDISINI"), std::string::npos);
}

}  // namespace
}  // namespace helisolv
