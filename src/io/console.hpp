// Hands finished records to their units: the console with its carriage
// control and open-line flag, the result file with CR LF after each record.
#pragma once

#include <string_view>

#include "io/units.hpp"

namespace helisolv {

// One finished record to an output unit (Console, Default or Result).
void emitRecord(Unit unit, std::string_view record);

// Raw console text (pause prompt, stop text); flushes nothing. Console output
// that the system refuses ends the run with the WRITE error report.
void consoleText(std::string_view text);

// The text of the last console record that was not blank: the question a
// console read answers, named in the read's error report.
std::string_view lastConsoleText();

// The console's open-line flag: true once a record is printed, false once a
// console read has taken the user's line end.
bool consoleLineOpen();
void setConsoleLineOpen(bool open);

// Hands every record written to the result file to observer as well (nullptr:
// none), so that the data export can keep the text the report printed.
void observeResultRecords(void (*observer)(std::string_view record));

// Flushes the console and the result file (before a child process runs, before
// the run ends). Never ends the run itself.
void flushOutputs();

// Flushes the console; output the system refused ends the run with the WRITE
// error report.
void flushConsole();

// True once console output has been refused (a full disk, a closed pipe).
bool consoleFailed();

}  // namespace helisolv
