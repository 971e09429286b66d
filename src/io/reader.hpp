// Readers of the task file and the console.
#pragma once

#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "io/question.hpp"
#include "io/session.hpp"
#include "io/units.hpp"

namespace helisolv {

// A variable a free-format read fills: a 32-bit integer or a 32-bit real.
using Target = std::variant<int*, float*>;

// A variable with its name and unit in plain English ("shaft depth Hs, m"), as
// an error report names it.
struct NamedTarget {
  Target target;
  std::string_view name;
};

// Free-format read of one value per variable from Keyboard or Task. A read
// starts on a new line and skips the rest of its last line; a slash ends it.
// A failed read reports the line, the value's place in the list, its name (a
// console read: the question on the console) and the text found.
void readList(Session& io, Unit unit, std::initializer_list<Target> targets);
void readList(Session& io, Unit unit, std::initializer_list<NamedTarget> targets);
void readList(Session& io, Unit unit, std::span<const NamedTarget> targets);

// A console read answering a question, which the error report of a read
// that fails names and which an answer given beforehand may stand in for.
void readList(Session& io, Unit unit, Question question, std::initializer_list<Target> targets);

// The 32-bit value of a number written as [sign] digits [. digits] [e [sign]
// digits], rounded to nearest as the C library's strtof rounds it in the "C"
// locale, whatever locale the host process has set: nothing when it lies
// beyond the 32-bit range, a zero of its sign when it lies below the smallest
// 32-bit value.
std::optional<float> parseReal(std::string_view text);

// Layout "(A)": the first character of the next line, a blank for an empty line.
char readChar(Session& io, Unit unit, Question question = Question::None);

// Layout "(A80)": the first 80 characters of the next line, blank padded.
// `what` names the line in the end-of-file report ("free text line").
std::string readText80(Session& io, Unit unit, std::string_view what = {});

// The longest line any read takes (1 MiB), its line end (LF or CR LF) not
// counted. Only what a read can use is kept (80 characters of a skipped line),
// but a line without an end within this length is an input error: an endless
// device or a binary file must not hold the run forever.
inline constexpr long kMaxLineLength = 1L << 20;

// One whole line of the unit, its line end removed; the end of the input
// reads as an empty line. A line longer than kMaxLineLength is the
// line-too-long error, context (from "; ") saying what the line answers.
std::string readWholeLine(Session& io, Unit unit, const std::string& context);

}  // namespace helisolv
