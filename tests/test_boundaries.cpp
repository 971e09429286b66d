// Inputs that sit exactly on a limit: the longest line a read takes (LF or CR
// LF), the shortest and the longest pause reply that runs as a command, and
// the sweeps whose required loading coefficient or operating J falls exactly
// on a point of their own table. The exact inputs are computed from the
// series here, not guessed.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "helisolv/open_water.hpp"
#include "io/edit.hpp"
#include "io/reader.hpp"
#include "io/run_control.hpp"
#include "series/formulas.hpp"
#include "task_run.hpp"

namespace helisolv {
namespace {

class Boundary : public TaskRun {
 protected:
  // A session reading these console lines, for the reads and the pause.
  Session& session(const std::string& keyboardText) {
    keyboard.str(keyboardText);
    io = Session(Channels{&keyboard, &console, &errors, nullptr, &taskText});
    io.beforeCommand = [this] { ++commands; };
    return io;
  }
  void TearDown() override {
    io = Session();
    unsetenv("COMSPEC");
    TaskRun::TearDown();
  }

  std::istringstream keyboard, taskText;
  Session io;
  int commands = 0;
};

TEST_F(Boundary, ALineOfTheLongestLengthIsReadAndOneCharacterMoreIsRefused) {
  int value = 0;
  std::string line = "7" + std::string(static_cast<size_t>(kMaxLineLength) - 1, ' ');
  for (const char* end : {"\n", "\r\n"}) {  // the CR of a CR LF is no part of the line
    session(line + end);
    readList(io, Unit::Keyboard, {&value});
    EXPECT_EQ(value, 7) << end[0];
  }

  session(line + " \r\n");
  EXPECT_THROW(readList(io, Unit::Keyboard, {&value}), RunEnd);
  EXPECT_NE(errors.str().find("line too long at console line 1"), std::string::npos)
      << errors.str();
}

TEST_F(Boundary, APauseReplyRunsFromTwoCharactersAndOnlyThroughANamedInterpreter) {
  namespace fs = std::filesystem;
  setenv("COMSPEC", "/bin/sh", 1);
  pause(session(">f\n"), "DEVAM");
  EXPECT_EQ(commands, 1);
  EXPECT_TRUE(fs::exists("f"));  // the shell made it: the reply ran

  for (const char* oneCharacter : {"g\n", "g \t\n"}) {
    pause(session(oneCharacter), "DEVAM");
    EXPECT_EQ(commands, 1) << oneCharacter;
  }

  // An empty COMSPEC names no interpreter: nothing runs, and standard error says so.
  fs::remove("f");
  setenv("COMSPEC", "", 1);
  errors.str("");
  pause(session(">f\n"), "DEVAM");
  EXPECT_EQ(commands, 1);
  EXPECT_FALSE(fs::exists("f"));
  EXPECT_EQ(errors.str(),
            "helisolv: pause reply not run as a command (set COMSPEC to a command interpreter to "
            "run it)\n");

  // A reply that would run cut short never runs: over 128 characters (trailing
  // blanks not counted), or holding a NUL byte.
  setenv("COMSPEC", "/bin/sh", 1);
  errors.str("");
  for (const std::string& reply :
       {">" + std::string(128, 'a'), std::string(">n\0x", 4), ">" + std::string(127, 'a') + " \t"})
    pause(session(reply + "\n"), "DEVAM");
  EXPECT_EQ(commands, 2);
  EXPECT_TRUE(fs::exists(std::string(127, 'a')));
  EXPECT_EQ(errors.str(),
            "helisolv: pause reply not run as a command: it is longer than 128 characters, the "
            "longest reply a pause takes\n"
            "helisolv: pause reply not run as a command: it holds a NUL byte, where the command "
            "would be cut short\n");
}

// The 32-bit input nearest `start` for which `f` gives exactly `want`, searched
// one unit in the last place at a time either way; NaN when none is near.
template <typename F>
float inputGiving(F f, float want, float start) {
  float up = start, down = start;
  for (int step = 0; step < 100000; ++step) {
    if (f(up) == want) return up;
    if (f(down) == want) return down;
    up = std::nextafter(up, INFINITY);
    down = std::nextafter(down, -INFINITY);
  }
  return NAN;
}

// The value as task-file text that reads back as the same 32-bit real.
std::string text(float x) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.9g", static_cast<double>(x));
  EXPECT_EQ(std::strtof(buffer, nullptr), x) << buffer;
  return buffer;
}

// A 32-bit running sum: the value after `steps` additions of `step` to `first`,
// as the sweeps form their pitch ratios and J grids.
float runningSum(float first, float step, int steps) {
  for (int i = 0; i < steps; ++i) first = first + step;
  return first;
}

TEST_F(Boundary, ARequiredKtOverJ2EqualToACurvePointIsMetByBothPairsAroundIt) {
  // Type 1 sweeps P/D from 0.5 by 0.01 and J from 0.1 by 0.001; take the
  // point of B4-55 at P/D 1.00 (pass 51) and J 0.600 (grid point 501).
  const float pitch = runningSum(0.5f, 0.01f, 50);
  const float j = runningSum(0.1f, 0.001f, 500);
  const float curvePoint =
      evaluateOpenWater(SeriesModel{Series::Wageningen}, Propeller{4.0f, 0.55f, pitch}, j).kt /
      realPow(j, 2.0f);
  // D 4 m, Va 5 m/s, 1025 kg/m3: the thrust whose T / (rho Va^2 D^2) is that point.
  const auto ktOverJ2 = [](float thrustKN) {
    return thrustKN * 1000.0f / (realPow(4.0f, 2.0f) * realPow(5.0f, 2.0f) * 1025.0f);
  };
  const float thrust = inputGiving(ktOverJ2, curvePoint, curvePoint * 410.0f);
  ASSERT_EQ(ktOverJ2(thrust), curvePoint);

  EXPECT_EQ(run(1, 1, text(thrust) + " 4 5 1025 4 0.55"), 0) << errors.str();
  // The pair ending at the point and the pair starting there both bracket it.
  const std::string row = editReal(pitch, 7, 3) + editReal(j, 7, 3);
  const size_t second = son.find(row, son.find(row) + 1);
  EXPECT_NE(second, std::string::npos) << row << "\n" << son;
  EXPECT_EQ(son.find(row, second + 1), std::string::npos) << row << "\n" << son;
}

TEST_F(Boundary, ADesignJOnTheTableGridIsThatGridRowWithNoDesignRowBeside) {
  // Types 8 to 10 tabulate J from 0.05 by 0.025; grid point 23 lies near 0.6.
  const float gridJ = runningSum(0.05f, 0.025f, 22);
  // D 4 m at 150 rpm: the speed whose Va / (n D) is that grid value.
  const auto operatingJ = [](float va) {
    return advanceCoefficient(va, revsPerSecond(150.0f), 4.0f);
  };
  const float va = inputGiving(operatingJ, gridJ, gridJ * 10.0f);
  ASSERT_EQ(operatingJ(va), gridJ);

  EXPECT_EQ(run(1, 8, "300 4 150 " + text(va) + " 1025 4 0.55 0 4"), 0) << errors.str();
  EXPECT_NE(son.find("\n 23" + editReal(gridJ, 8, 3)), std::string::npos) << son;
  EXPECT_EQ(son.find("**D**"), std::string::npos) << son;
}

TEST_F(Boundary, AnOperatingJOnTheTableGridMarksTheFirstOfTheTwoEqualRows) {
  // Type 6 tabulates J from 0.05 by 0.05 with the operating J merged in; grid
  // point 12 lies near 0.6.
  const float gridJ = runningSum(0.05f, 0.05f, 11);
  const auto operatingJ = [](float va) { return va / (revsPerSecond(150.0f) * 4.0f); };
  const float va = inputGiving(operatingJ, gridJ, gridJ * 10.0f);
  ASSERT_EQ(operatingJ(va), gridJ);

  EXPECT_EQ(run(1, 6, "1.0 4 0.55 1025 4 150 " + text(va) + " 0"), 0) << errors.str();
  EXPECT_NE(son.find("\n 12 * " + editReal(gridJ, 5, 3)), std::string::npos) << son;
  EXPECT_NE(son.find("\n 13" + editReal(gridJ, 8, 3)), std::string::npos) << son;
  // Read off the table at one of its own abscissas, Kt is that row's Kt.
  const float kt =
      evaluateOpenWater(SeriesModel{Series::Wageningen}, Propeller{4.0f, 0.55f, 1.0f}, gridJ).kt;
  EXPECT_NE(son.find("J=" + editReal(gridJ, 7, 3) + " Kt=" + editReal(kt, 7, 3)), std::string::npos)
      << son;
}

}  // namespace
}  // namespace helisolv
