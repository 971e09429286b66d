// Formatted record writer: turns a layout string and values into records and
// hands each record to its unit (console with carriage control, or the result
// file with CR LF).
#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "io/session.hpp"
#include "io/units.hpp"

namespace helisolv {

// A value handed to a write: a 32-bit integer, a 32-bit real or a text.
// A double does not convert, so an accidental double is a compile error.
using Value = std::variant<int, float, std::string_view>;

// One write statement with a layout string such as "(1X,I2,F8.3)".
void write(Session& io, Unit unit, std::string_view layout, std::span<const Value> values);
inline void write(Session& io, Unit unit, std::string_view layout,
                  std::initializer_list<Value> values = {}) {
  write(io, unit, layout, std::span<const Value>(values.begin(), values.size()));
}

// The records the same write would hand to the result file, as texts (the
// layout in the run's language); nothing is written.
std::vector<std::string> render(Session& io, std::string_view layout,
                                std::span<const Value> values);

// A free-format write of texts (none: an empty record).
void writeFree(Session& io, Unit unit, std::initializer_list<std::string_view> texts = {});

// A report line: the same write to the console and then to the result file.
inline void report(Session& io, std::string_view layout, std::initializer_list<Value> values = {}) {
  write(io, Unit::Console, layout, values);
  write(io, Unit::Result, layout, values);
}
inline void reportFree(Session& io, std::initializer_list<std::string_view> texts = {}) {
  writeFree(io, Unit::Console, texts);
  writeFree(io, Unit::Result, texts);
}

}  // namespace helisolv
