// Free-format and layout reads from the task file and the console, and the
// run-time error report.

#include <gtest/gtest.h>

#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <random>
#include <sstream>
#include <vector>

#include "io/console.hpp"
#include "io/reader.hpp"
#include "io/session.hpp"

namespace helisolv {
namespace {

class Reads : public ::testing::Test {
 protected:
  void feed(const std::string& taskText, const std::string& keyboardText = "") {
    task.str(taskText);
    keyboard.str(keyboardText);
    errors.str("");
    io = Session(Channels{&keyboard, &console, &errors, &result, &task});
  }
  void TearDown() override { io = Session(); }
  std::istringstream task, keyboard;
  std::ostringstream console, errors, result;
  Session io;
};

// List reads into five reals that start as 1 to 5: an empty value or one after
// the slash keeps its variable.
TEST_F(Reads, ListForms) {
  const struct {
    const char* line;
    std::vector<float> want;
  } cases[] = {
      {"10 20 /  30\n", {10, 20, 3, 4, 5}},
      {"5,,6,\n8 /\n", {5, 2, 6, 8, 5}},
      // A comma opening the list is an empty value; a slash ends it without a blank before it.
      {",7/ 9\n", {1, 7, 3, 4, 5}},
      {"2*3.5 2000000000*1\n", {3.5f, 3.5f, 1, 1, 1}},
      {"2* 9 /\n", {1, 2, 9, 4, 5}},
      {"3.0e2 +4 .55 -1.5D-1 2.\n", {300, 4, 0.55f, -0.15f, 2}},
      {"1e0000000000001 1.0e-000000000000000000000000000000045 2E-9999999999/\n",
       {10, 1.0e-45f, 0, 4, 5}},
  };
  for (const auto& c : cases) {
    std::vector<float> v{1, 2, 3, 4, 5};
    feed(c.line);
    readList(io, Unit::Task, {&v[0], &v[1], &v[2], &v[3], &v[4]});
    EXPECT_EQ(v, c.want) << c.line;
  }
  // The least integer, a lone carriage return ending the input, DOS line
  // ends on the console, and text lines cut or padded to 80 characters.
  int i = 0, j = 0;
  feed("-2147483648\n8\r", "E\r\n\r\n12\r\n");
  readList(io, Unit::Task, {&i});
  readList(io, Unit::Task, {&j});
  EXPECT_EQ(i, -2147483647 - 1);
  EXPECT_EQ(j, 8);
  EXPECT_EQ(readChar(io, Unit::Keyboard), 'E');
  EXPECT_EQ(readChar(io, Unit::Keyboard), ' ');
  readList(io, Unit::Keyboard, {&i});
  EXPECT_EQ(i, 12);
  feed(std::string(100, 'a') + "\nshort\n");
  EXPECT_EQ(readText80(io, Unit::Task), std::string(80, 'a'));
  EXPECT_EQ(readText80(io, Unit::Task), "short" + std::string(75, ' '));
}

// Reads of one or two integers ('i'), a real ('f') from the task file, or an
// integer from the console ('k'), that end the run with a report.
TEST_F(Reads, UnreadableValuesEndTheRunWithAReport) {
  const struct {
    const char* line;
    char read;
    const char* says;
  } cases[] = {
      {"1.0\n", 'i', "invalid integer"},
      {"2147483648\n", 'i', "integer out of range"},
      {"abc\n", 'i', "invalid integer"},
      {"4.0x\n", 'f', "invalid real"},
      {"1e39\n", 'f', "invalid real"},
      {"nan\n", 'f', "invalid real"},
      {"inf\n", 'f', "invalid real"},
      {"0*4\n", 'f', "zero repeat count"},
      {"-\n", 'f', "invalid real"},
      {"1e\n", 'f', "invalid real"},
      {"1e999999999999\n", 'f', "invalid real"},
      {"1 0.5,5\n", 'i', "is \"0.5\"; the line holds \"0.5,5\": a comma"},
      {"", 'i', "READ(Helisolv.Tsk)\n- end of file"},
      {"1\n", 'i', "READ(Helisolv.Tsk)\n- end of file"},
      {"", 'k', "READ(stdin)\n- end of file"},
  };
  for (const auto& c : cases) {
    int i = 0, j = 0;
    float f = 0;
    feed(c.line);
    EXPECT_THROW(c.read == 'f'   ? readList(io, Unit::Task, {&f})
                 : c.read == 'k' ? readList(io, Unit::Keyboard, {&i})
                                 : readList(io, Unit::Task, {&i, &j}),
                 RunEnd);
    const std::string report = errors.str();
    EXPECT_EQ(report.rfind("\nrun-time error ", 0), 0u) << c.line;
    EXPECT_NE(report.find(c.read == 'k' ? ": READ(stdin)\n- " : ": READ(Helisolv.Tsk)\n- "),
              std::string::npos)
        << report;
    EXPECT_NE(report.find(c.says), std::string::npos) << report;
  }
}

}  // namespace
// The reader's own number parsing gives strtof's bits in the "C" locale (the
// test process never sets another), including the rounding at the edges of
// the 32-bit range, over random numbers of every length and exponent.
TEST(ParseReal, SameBitsAsStrtofInTheCLocale) {
  std::mt19937 random(20261207);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  std::vector<std::string> texts = {
      "3.4028235e38",    "3.40282356e38", "3.4028236e38",  "1.4e-45", "7.006492e-46",
      "7.006493e-46",    "7e-46",         "1.1754942e-38", "-0",      "0e999999",
      "-1e-999999",      "1e999999",      "00000.000",     ".5",      "5.",
      "-.000001e+000045"};
  for (int k = 0; k < 200000; ++k) {
    std::string t;
    if (pick(3) == 0) t += pick(2) ? '-' : '+';
    const int before = pick(4) == 0 ? 0 : 1 + pick(pick(8) == 0 ? 60 : 9);
    for (int i = 0; i < before; ++i) t += static_cast<char>('0' + pick(10));
    if (before == 0 || pick(2)) {
      t += '.';
      const int after = (before == 0 ? 1 : 0) + pick(pick(8) == 0 ? 60 : 9);
      for (int i = 0; i < after; ++i) t += static_cast<char>('0' + pick(10));
    }
    if (pick(2)) {
      t += 'e';
      if (pick(2)) t += pick(2) ? '-' : '+';
      t += std::to_string(pick(4) == 0 ? pick(100) : 30 + pick(25));
    }
    texts.push_back(t);
  }
  for (const std::string& t : texts) {
    errno = 0;
    const float want = std::strtof(t.c_str(), nullptr);
    const bool beyond = !std::isfinite(want) || (errno == ERANGE && std::fabs(want) > 1.0f);
    const std::optional<float> got = parseReal(t);
    ASSERT_EQ(got.has_value(), !beyond) << t;
    if (got) {
      ASSERT_EQ(std::bit_cast<uint32_t>(*got), std::bit_cast<uint32_t>(want)) << t;
    }
  }
}

}  // namespace helisolv
