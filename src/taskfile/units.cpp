#include "taskfile/units.hpp"

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace helisolv::units {

namespace {

// The factors are the definitions of the units, except the knot, which is the
// 0.5144 m/s the program itself uses wherever it converts a speed.
constexpr std::array<Unit, 27> kUnits{{
    {"kN", Kind::Force, 1.0},         {"N", Kind::Force, 0.001},
    {"MN", Kind::Force, 1000.0},      {"tf", Kind::Force, 9.80665},
    {"kW", Kind::Power, 1.0},         {"W", Kind::Power, 0.001},
    {"MW", Kind::Power, 1000.0},      {"hp", Kind::Power, 0.7457},
    {"PS", Kind::Power, 0.7355},      {"kN m", Kind::Torque, 1.0},
    {"kNm", Kind::Torque, 1.0},       {"N m", Kind::Torque, 0.001},
    {"Nm", Kind::Torque, 0.001},      {"m", Kind::Length, 1.0},
    {"mm", Kind::Length, 0.001},      {"ft", Kind::Length, 0.3048},
    {"m/s", Kind::Speed, 1.0},        {"kn", Kind::Speed, 0.5144},
    {"kt", Kind::Speed, 0.5144},      {"rpm", Kind::Rotation, 1.0},
    {"1/min", Kind::Rotation, 1.0},   {"rps", Kind::Rotation, 60.0},
    {"1/s", Kind::Rotation, 60.0},    {"kg/m3", Kind::Density, 1.0},
    {"kg/m^3", Kind::Density, 1.0},   {"t/m3", Kind::Density, 1000.0},
    {"t/m^3", Kind::Density, 1000.0},
}};

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// The length of the number at the start of text: an optional sign, digits
// with an optional decimal point, an optional exponent; 0 for none.
size_t numberLength(std::string_view text) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < text.size() && isDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && isDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    size_t expDigits = 0;
    while (j < text.size() && isDigit(text[j])) ++j, ++expDigits;
    if (expDigits > 0) i = j;
  }
  return i;
}

// The symbol with its blanks trimmed and each run of blanks inside it made one.
std::string normalSymbol(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (isBlank(c)) {
      if (!out.empty() && out.back() != ' ') out += ' ';
    } else {
      out += c;
    }
  }
  if (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

std::string shortest(float value) {
  std::array<char, 64> buffer{};
  const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return std::string(buffer.data(), end.ptr);
}

// The first symbol of each unit, for messages: the spelling variants
// ("kNm" beside "kN m") are accepted without being offered.
bool offered(const Unit& unit) {
  return unit.symbol != "kNm" && unit.symbol != "Nm" && unit.symbol != "kt" &&
         unit.symbol != "1/min" && unit.symbol != "kg/m^3" && unit.symbol != "t/m^3";
}

}  // namespace

std::span<const Unit> all() {
  return kUnits;
}

std::string_view programUnit(Kind kind) {
  for (const Unit& unit : kUnits)
    if (unit.kind == kind) return unit.symbol;
  return {};
}

std::string_view kindName(Kind kind) {
  switch (kind) {
    case Kind::Force:
      return "force";
    case Kind::Power:
      return "power";
    case Kind::Torque:
      return "torque";
    case Kind::Length:
      return "length";
    case Kind::Speed:
      return "speed";
    case Kind::Rotation:
      return "rotational speed";
    case Kind::Density:
      return "density";
  }
  return {};
}

std::string acceptedUnits(Kind kind) {
  std::string text;
  std::string_view last;
  for (const Unit& unit : kUnits) {
    if (unit.kind != kind || !offered(unit)) continue;
    if (!last.empty()) text += text.empty() ? std::string(last) : ", " + std::string(last);
    last = unit.symbol;
  }
  return text.empty() ? std::string(last) : text + " or " + std::string(last);
}

const Unit* find(std::string_view symbol) {
  const std::string normal = normalSymbol(symbol);
  for (const Unit& unit : kUnits)
    if (unit.symbol == normal) return &unit;
  return nullptr;
}

Reading parse(std::string_view text, Kind kind, std::string_view input) {
  const std::string accepted = acceptedUnits(kind);
  size_t from = 0;
  while (from < text.size() && isBlank(text[from])) ++from;
  const std::string_view rest = text.substr(from);
  const size_t length = numberLength(rest);
  const std::string shown = "\"" + std::string(text) + "\"";
  if (length == 0)
    return std::string(input) + " = " + shown + " is not a number with its unit: write it as \"" +
           "VALUE UNIT\", the unit one of " + accepted;
  const std::string number(rest.substr(0, length));
  const std::string symbol = normalSymbol(rest.substr(length));
  if (symbol.empty())
    return std::string(input) + " = " + shown + " has no unit: write the " +
           std::string(kindName(kind)) + " with one of " + accepted + " (\"" + number + " " +
           std::string(programUnit(kind)) + "\")";
  const Unit* unit = find(symbol);
  if (!unit)
    return std::string(input) + " = " + shown + ": unknown unit \"" + symbol + "\"; the " +
           std::string(kindName(kind)) + " takes " + accepted;
  if (unit->kind != kind)
    return std::string(input) + " = " + shown + ": \"" + symbol + "\" is a unit of " +
           std::string(kindName(unit->kind)) + ", not of " + std::string(kindName(kind)) + "; " +
           std::string(input) + " takes " + accepted;
  float value = 0.0f;
  errno = 0;
  if (unit->factor == 1.0) {
    // The fixed-line reader's own conversion, so that the same digits give the same bits.
    value = std::strtof(number.c_str(), nullptr);
  } else {
    value = static_cast<float>(std::strtod(number.c_str(), nullptr) * unit->factor);
  }
  if (!std::isfinite(value) || (errno == ERANGE && std::fabs(value) > 1.0f))
    return std::string(input) + " = " + shown + " lies beyond the range of a 32-bit real";
  return value;
}

std::string format(float value, Kind kind) {
  return shortest(value) + " " + std::string(programUnit(kind));
}

double inUnit(float value, const Unit& unit) {
  return static_cast<double>(value) / unit.factor;
}

}  // namespace helisolv::units
