// The data export of a run: the report items hand every table row, every
// result value and the reason of a refusal here as they are emitted. With
// no export listening (a console run without --csv) every call does nothing,
// so the report itself never depends on it.
#pragma once

#include <initializer_list>
#include <span>
#include <string_view>
#include <variant>

#include "io/session.hpp"

namespace helisolv {

namespace data {

// The tables a run can print, one CSV file each.
enum class Table {
  Candidates,    // types 1, 2, 3: one row per candidate propeller, the chosen one marked
  Bollard,       // type 4: the three candidate diameters, the chosen one marked
  OpenWater,     // types 5, 6, 8, 9, 10: open-water characteristics, the design row marked
  BpDelta,       // type 7: the characteristics over pitch ratio at the given delta
  PitchSweep,    // types 8, 9, 10: thrust, power or torque over pitch ratio
  AreaRatio,     // types 8, 9, 10: pitch ratio and efficiency over area ratio, and
                 // whether the series was tested at that area ratio
  BladeChecks,   // types 8, 9, 10: Burrill, Keller and tip-speed checks
  BurrillLines,  // Burrill's chart: the two lines the checks interpolate in, point by
                 // point, and the recommended upper limit sampled
};

// One value: empty, a 32-bit integer, a 32-bit real or a text.
using Cell = std::variant<std::monostate, int, float, std::string_view>;

// A value the run read from the task file or the console, with its unit.
void input(Session& io, std::string_view quantity, Cell value, std::string_view unit = {});

// A value of the result block, as printed (a later value of the same quantity
// replaces the earlier one).
void result(Session& io, std::string_view quantity, Cell value, std::string_view unit = {});

// One printed row of a table, its values in the table's column order (without
// the marker column of the tables that have one).
void row(Session& io, Table table, std::initializer_list<Cell> cells);
void row(Session& io, Table table, std::span<const Cell> cells);

// Marks a row (1-based; 0: the last row added) as the chosen or design row.
void markRow(Session& io, Table table, int row);

// A line of the message that refuses the run's inputs: the reason, as the
// report words it, one line after another.
void refusal(Session& io, std::string_view line);

// The viscous flag the solver evaluates with (the task's, the console's
// answer, or 0 where the solver drops the correction).
void viscousFlag(Session& io, int flag);

}  // namespace data
}  // namespace helisolv
