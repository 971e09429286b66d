// The record writer: field editing, layout walking, and what the console and
// the result file receive. Expected fields end with ';' so that blanks show.

#include <gtest/gtest.h>

#include <limits>
#include <sstream>

#include "io/edit.hpp"
#include "io/session.hpp"
#include "io/writer.hpp"

namespace helisolv {
namespace {

TEST(Editing, FixedPointAndIntegerFields) {
  constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
  constexpr float kInf = std::numeric_limits<float>::infinity();
  const struct {
    char kind;  // F: editReal(value, w, d), I: editInteger(value, w, d)
    int w, d;
    float value;
    const char* expected;
  } cases[] = {
      {'F', 6, 3, 0.0f, "  .000;"},
      {'F', 5, 0, 0.3f, "   0.;"},
      {'F', 5, 0, 0.7f, "   1.;"},
      {'F', 6, 3, -0.0004f, "  .000;"},
      {'F', 5, 2, 0.125f, "  .13;"},
      {'F', 5, 3, 0.9996f, "1.000;"},
      {'F', 5, 3, 12.5f, "*****;"},
      {'F', 2, 0, 4.0f, "4.;"},
      {'F', 9, 0, 12345.6f, "   12346.;"},
      {'F', 10, 4, 12345.678f, "12345.6800;"},
      {'F', 6, 3, 0.0006f, "  .001;"},
      {'F', 10, 3, -0.0f, "      .000;"},
      {'F', 6, 2, -99.999f, "******;"},
      {'F', 7, 2, -99.999f, "-100.00;"},
      {'F', 20, 15, 0.1f, "    .100000000000000;"},
      {'F', 9, 4, 1234567.0f, "*********;"},
      {'F', 6, 1, 1.0e7f, "******;"},
      {'F', 12, 1, 123456789.0f, " 123456800.0;"},
      // Values that are no numbers fill the field with asterisks.
      {'F', 6, 3, kNaN, "******;"},
      {'F', 5, 2, kInf, "*****;"},
      {'F', 4, 1, -kInf, "****;"},
      {'F', 10, 2, 3.0e38f, "**********;"},
      {'I', 2, 1, 100, "**;"},
      {'I', 3, 1, -5, " -5;"},
      {'I', 2, 1, -10, "**;"},
      {'I', 4, 3, 3, " 003;"},
      {'I', 12, 1, -2147483648.0f, " -2147483648;"},
  };
  for (const auto& c : cases)
    EXPECT_EQ((c.kind == 'F' ? editReal(c.value, c.w, c.d)
                             : editInteger(static_cast<int>(c.value), c.w, c.d)) +
                  ";",
              c.expected)
        << c.kind << c.w << "." << c.d << " of " << c.value;
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

TEST_F(Outputs, RecordsInTheResultFileAndOnTheConsole) {
  const struct {
    const char* layout;
    std::vector<Value> values;
    const char* expected;
  } cases[] = {
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
  // A free text past column 79 is continued on the next record.
  result.str("");
  writeFree(io, Unit::Result, {std::string(100, 'x')});
  EXPECT_EQ(result.str(), " " + std::string(78, 'x') + "\r\n " + std::string(22, 'x') + "\r\n");
  EXPECT_EQ(errors.str(), "");
  // Carriage control on the console: a blank line, a new page, no advance.
  for (const char* layout : {"('0','a')", "('0','b')", "('1','c')", "('+','d')"})
    write(io, Unit::Console, layout);
  EXPECT_EQ(console.str(), "\r\na\r\n\r\nb\r\n\f\r \rc\rd");
}

// A layout the writer cannot walk, values no descriptor takes, and a value of
// the wrong kind end the run with a report instead of looping or guessing.
TEST_F(Outputs, WritesItCannotCarryOutEndTheRunWithAReport) {
  EXPECT_THROW(write(io, Unit::Result, "(1X,Q7)", {1}), RunEnd);
  EXPECT_THROW(write(io, Unit::Result, "(1X,I3)", {1.0f}), RunEnd);
  EXPECT_THROW(write(io, Unit::Result, "(1X,I2,2('-'))", {1, 2}), RunEnd);
  EXPECT_EQ(result.str(), "  1--\r\n");
  EXPECT_EQ(errors.str().rfind("\nrun-time error ", 0), 0u);
}

}  // namespace
}  // namespace helisolv
