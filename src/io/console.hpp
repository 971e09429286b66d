// Hands finished records to their units: the console with its carriage
// control and open-line flag, the result file with CR LF after each record.
#pragma once

#include <string_view>

#include "io/session.hpp"
#include "io/units.hpp"

namespace helisolv {

// One finished record to an output unit (Console, Default or Result).
void emitRecord(Session& io, Unit unit, std::string_view record);

// Raw console text (pause prompt, stop text); flushes nothing. Console output
// that the system refuses ends the run with the WRITE error report.
void consoleText(Session& io, std::string_view text);

// Flushes the console and the result file (before a child process runs, before
// the run ends). Never ends the run itself.
void flushOutputs(Session& io);

// Flushes the console; output the system refused ends the run with the WRITE
// error report.
void flushConsole(Session& io);

// True once console output has been refused (a full disk, a closed pipe).
bool consoleFailed(const Session& io);

}  // namespace helisolv
