// Quantities with their units: one conversion of every accepted unit checked
// against its factor, the program's own units bit for bit against the
// fixed-line reader's conversion, and every refusal naming the input.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <variant>

#include "taskfile/units.hpp"

namespace helisolv::units {
namespace {

TEST(Units, EveryUnitConvertsByItsFactor) {
  const struct {
    const char* text;
    Kind kind;
    double expected;  // in the program's unit
  } cases[] = {
      {"420 kN", Kind::Force, 420.0},          {"420000 N", Kind::Force, 420.0},
      {"0.42 MN", Kind::Force, 420.0},         {"10 tf", Kind::Force, 98.0665},
      {"5000 kW", Kind::Power, 5000.0},        {"5000000 W", Kind::Power, 5000.0},
      {"5 MW", Kind::Power, 5000.0},           {"6800 hp", Kind::Power, 6800 * 0.7457},
      {"6800 PS", Kind::Power, 6800 * 0.7355}, {"320 kN m", Kind::Torque, 320.0},
      {"320kNm", Kind::Torque, 320.0},         {"320000 N m", Kind::Torque, 320.0},
      {"320000 Nm", Kind::Torque, 320.0},      {"4.6 m", Kind::Length, 4.6},
      {"4600 mm", Kind::Length, 4.6},          {"15 ft", Kind::Length, 15 * 0.3048},
      {"6.2 m/s", Kind::Speed, 6.2},           {"12 kn", Kind::Speed, 12 * 0.5144},
      {"12 kt", Kind::Speed, 12 * 0.5144},     {"120 rpm", Kind::Rotation, 120.0},
      {"120 1/min", Kind::Rotation, 120.0},    {"2 rps", Kind::Rotation, 120.0},
      {"2 1/s", Kind::Rotation, 120.0},        {"1025 kg/m3", Kind::Density, 1025.0},
      {"1025 kg/m^3", Kind::Density, 1025.0},  {"1.025 t/m3", Kind::Density, 1025.0},
      {"1.025 t/m^3", Kind::Density, 1025.0},
  };
  // Every unit of the table is met once.
  ASSERT_EQ(std::size(cases), all().size());
  for (const auto& c : cases) {
    const Reading r = parse(c.text, c.kind, "x");
    ASSERT_TRUE(std::holds_alternative<float>(r)) << c.text << ": " << std::get<std::string>(r);
    EXPECT_EQ(std::get<float>(r), static_cast<float>(c.expected)) << c.text;
  }
  // The program's unit written back reads back.
  EXPECT_EQ(format(420.0f, Kind::Force), "420 kN");
  EXPECT_EQ(format(0.1f, Kind::Speed), "0.1 m/s");
  EXPECT_EQ(format(320.0f, Kind::Torque), "320 kN m");
  EXPECT_EQ(std::get<float>(parse(format(4.6f, Kind::Length), Kind::Length, "d")), 4.6f);
}

TEST(Units, ProgramUnitGivesTheFixedLineBits) {
  // strtod then a cast rounds twice: just above the midpoint between 1 and
  // the next 32-bit real it lands on the midpoint and rounds down, where the
  // fixed-line reader's single rounding goes up.
  for (const char* digits : {"4.6", "1025", "0.1", "1.00000005960464477539063", "7e-3", "-2.5"}) {
    const Reading r = parse(std::string(digits) + " m", Kind::Length, "diameter");
    ASSERT_TRUE(std::holds_alternative<float>(r));
    EXPECT_EQ(std::get<float>(r), std::strtof(digits, nullptr)) << digits;
  }
}

TEST(Units, RefusalsNameTheInputAndItsUnits) {
  const struct {
    const char* text;
    Kind kind;
    const char* says;
  } cases[] = {
      {"420", Kind::Force, "\"420\" has no unit: write the force with one of kN, N, MN or tf"},
      {"12 kn", Kind::Power, "\"kn\" is a unit of speed, not of power; thrust takes kW, W, MW"},
      {"5 furlongs", Kind::Length, "unknown unit \"furlongs\"; the length takes m, mm or ft"},
      {"kN", Kind::Force, "is not a number with its unit"},
      {"", Kind::Force, "is not a number with its unit"},
      {"1e60 kN", Kind::Force, "beyond the range of a 32-bit real"},
      {"1e60 N", Kind::Force, "beyond the range of a 32-bit real"},
  };
  for (const auto& c : cases) {
    const Reading r = parse(c.text, c.kind, "thrust");
    ASSERT_TRUE(std::holds_alternative<std::string>(r)) << c.text;
    EXPECT_NE(std::get<std::string>(r).find(c.says), std::string::npos) << std::get<std::string>(r);
  }
}

}  // namespace
}  // namespace helisolv::units
