// Readers of the task file and the console, and the run-control services:
// pause, stop and the run-time error report.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

#include "io/units.hpp"

namespace helisolv {

// A variable a free-format read fills: a 32-bit integer or a 32-bit real.
using Target = std::variant<int*, float*>;

// Free-format read of one value per variable from Keyboard or Task. A read
// starts on a new line and skips the rest of its last line; a slash ends it.
void readList(Unit unit, std::initializer_list<Target> targets);

// Layout "(A)": the first character of the next line, a blank for an empty line.
char readChar(Unit unit);

// Layout "(A80)": the first 80 characters of the next line, blank padded.
std::string readText80(Unit unit);

// Pause: the message on its own line, then one console line; a reply of two or
// more characters (after trailing blanks and tabs are removed) runs as a command.
void pause(std::string_view message);

// Stop: ends the run with exit status 0 (never returns).
[[noreturn]] void stop();

}  // namespace helisolv
