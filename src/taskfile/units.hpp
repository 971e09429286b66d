// Quantities written with their unit ("420 kN", "12 kn", "6800 hp"), read into
// the unit the program computes in, and written back. This table is the one
// place the units and their factors live: the keyword task file, the Python
// module and any other reader of named inputs take them from here.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace helisolv::units {

// What a dimensional input measures; each kind has one unit the program reads
// (the fixed-line task file's unit).
enum class Kind {
  Force,     // kN
  Power,     // kW
  Torque,    // kN m
  Length,    // m
  Speed,     // m/s
  Rotation,  // rpm
  Density,   // kg/m3
};

// One accepted unit: its symbol as written after the number and how many of
// the program's unit one of it is.
struct Unit {
  std::string_view symbol;
  Kind kind;
  double factor;
};

// Every accepted unit, the program's own first within each kind.
std::span<const Unit> all();

// The unit the program reads for this kind ("kN").
std::string_view programUnit(Kind kind);

// What the kind measures ("force").
std::string_view kindName(Kind kind);

// The units accepted for this kind, for a message: "N, kN, MN or tf".
std::string acceptedUnits(Kind kind);

// The unit of that symbol, whatever its kind; nullptr for none. Symbols are
// matched exactly, with blanks between the parts of a compound unit ("kN m")
// collapsed to one.
const Unit* find(std::string_view symbol);

// A quantity read, in the program's unit, or the sentence saying why it was
// refused (naming the input and the units it accepts).
using Reading = std::variant<float, std::string>;

// Reads "VALUE UNIT" for the input named `input` of this kind. A value in the
// program's unit gives the bits the fixed-line file's reader gives for the
// same digits (a direct 32-bit conversion); any other unit is converted in
// double and rounded to 32 bits once. A bare number, a unit of another kind,
// an unknown unit and a value beyond the 32-bit range are refused.
Reading parse(std::string_view text, Kind kind, std::string_view input);

// The value in the program's unit as "VALUE UNIT", the value as the shortest
// text that reads back to the same 32-bit value ("420 kN").
std::string format(float value, Kind kind);

// value (in the program's unit) expressed in the given unit, in double.
double inUnit(float value, const Unit& unit);

}  // namespace helisolv::units
