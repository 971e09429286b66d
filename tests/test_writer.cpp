// The record writer: field editing, layout walking, and what the console and
// the result file receive. Field tables end each expected field with ';' so
// that blanks show.

#include <gtest/gtest.h>

#include <sstream>

#include "io/edit.hpp"
#include "io/session.hpp"
#include "io/writer.hpp"

namespace helisolv {
namespace {

struct RealCase {
  int w, d;
  float value;
  const char* expected;
};

TEST(RealEditing, FixedPointFields) {
  const RealCase cases[] = {
      {5, 3, 0.5f, " .500;"},
      {6, 3, 0.0f, "  .000;"},
      {5, 0, 0.3f, "   0.;"},
      {5, 0, 0.7f, "   1.;"},
      {6, 3, -0.0004f, "  .000;"},
      {6, 3, -0.25f, " -.250;"},
      {5, 2, 0.125f, "  .13;"},
      {5, 3, 0.9996f, "1.000;"},
      {5, 3, 12.5f, "*****;"},
      {2, 0, 4.0f, "4.;"},
      {9, 0, 12345.6f, "   12346.;"},
      {10, 4, 12345.678f, "12345.6800;"},
      {8, 3, 0.05f, "    .050;"},
      {6, 3, 0.0006f, "  .001;"},
      {6, 4, 1.2f, "1.2000;"},
      {10, 3, -0.0f, "      .000;"},
      {6, 2, -99.999f, "******;"},
      {7, 2, -99.999f, "-100.00;"},
      {20, 15, 0.1f, "    .100000000000000;"},
      {9, 4, 1234567.0f, "*********;"},
      {6, 1, 1.0e7f, "******;"},
      {12, 1, 123456789.0f, " 123456800.0;"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(editReal(c.value, c.w, c.d) + ";", c.expected)
        << "F" << c.w << "." << c.d << " of " << c.value;
}

TEST(RealEditing, ValuesThatAreNotNumbersFillTheFieldWithAsterisks) {
  EXPECT_EQ(editReal(std::numeric_limits<float>::quiet_NaN(), 6, 3), "******");
  EXPECT_EQ(editReal(std::numeric_limits<float>::infinity(), 5, 2), "*****");
  EXPECT_EQ(editReal(-std::numeric_limits<float>::infinity(), 4, 1), "****");
  EXPECT_EQ(editReal(3.0e38f, 10, 2), "**********");
}

TEST(IntegerEditing, Fields) {
  EXPECT_EQ(editInteger(7, 3, 1) + ";", "  7;");
  EXPECT_EQ(editInteger(100, 2, 1) + ";", "**;");
  EXPECT_EQ(editInteger(4, 2, 1) + ";", " 4;");
  EXPECT_EQ(editInteger(0, 3, 1) + ";", "  0;");
  EXPECT_EQ(editInteger(-5, 3, 1) + ";", " -5;");
  EXPECT_EQ(editInteger(-10, 2, 1) + ";", "**;");
  EXPECT_EQ(editInteger(3, 4, 3) + ";", " 003;");
  EXPECT_EQ(editInteger(-2147483647 - 1, 12, 1) + ";", " -2147483648;");
}

// Captures both outputs of writes made in a test.
class Outputs : public ::testing::Test {
 protected:
  void SetUp() override { io = Session(Channels{&keyboard, &console, &errors, &result, nullptr}); }
  void TearDown() override { io = Session(); }
  std::istringstream keyboard;
  std::ostringstream console, errors, result;
  Session io;
};

using LayoutWalk = Outputs;

TEST_F(LayoutWalk, RecordsInTheResultFile) {
  struct Case {
    const char* layout;
    std::vector<Value> values;
    const char* expected;
  };
  const Case cases[] = {
      {"(2/)", {}, "\r\n\r\n\r\n"},
      {"(1X,'     EAR = ',F5.3,' -> Tek pervaneli gemiler    ')",
       {0.55f},
       "      EAR =  .550 -> Tek pervaneli gemiler    \r\n"},
      {"(1X,I2,4x)", {3}, "  3\r\n"},
      {"(  1X, 'a' , F5.2 ,'b' )", {1.0f}, " a 1.00b\r\n"},
      // Values left at the final ')' start a new record from the last group.
      {"(1X,'Z',2(I2))", {1, 2, 3, 4}, " Z 1 2\r\n 3 4\r\n"},
      {"(1X,I2)", {1, 2}, "  1\r\n  2\r\n"},
      // Values used up before a data descriptor: the record ends there.
      {"(1X,'a=',F5.2,' b=',F5.2)", {1.0f}, " a= 1.00 b=\r\n"},
  };
  for (const auto& c : cases) {
    result.str("");
    write(io, Unit::Result, c.layout, std::span<const Value>(c.values));
    EXPECT_EQ(result.str(), c.expected) << c.layout;
  }
  EXPECT_EQ(errors.str(), "");
}

// A layout the writer cannot walk, values no descriptor takes, and a value of
// the wrong kind end the run with a report instead of looping or guessing.
TEST_F(LayoutWalk, WritesItCannotCarryOutEndTheRunWithAReport) {
  EXPECT_THROW(write(io, Unit::Result, "(1X,Q7)", {1}), RunEnd);
  EXPECT_THROW(write(io, Unit::Result, "(1X,I3)", {1.0f}), RunEnd);
  EXPECT_THROW(write(io, Unit::Result, "(1X,I2,2('-'))", {1, 2}), RunEnd);
  EXPECT_EQ(result.str(), "  1--\r\n");
  EXPECT_EQ(errors.str().rfind("\nrun-time error ", 0), 0u);
}

using ConsoleRecords = Outputs;

TEST_F(ConsoleRecords, CarriageControlCharacters) {
  write(io, Unit::Console, "('0','a')");
  write(io, Unit::Console, "('0','b')");
  write(io, Unit::Console, "('1','c')");
  write(io, Unit::Console, "('+','d')");
  EXPECT_EQ(console.str(), "\r\na\r\n\r\nb\r\n\f\r \rc\rd");
}

TEST_F(ConsoleRecords, AFreeFormatTextPastColumn79IsContinued) {
  writeFree(io, Unit::Result, {std::string(100, 'x')});
  EXPECT_EQ(result.str(), " " + std::string(78, 'x') + "\r\n " + std::string(22, 'x') + "\r\n");
}

}  // namespace
}  // namespace helisolv
