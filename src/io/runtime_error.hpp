// The run-time error report: a failed read, open or write ends the run with a
// report on standard error and exit status 1.
#pragma once

#include <string>
#include <string_view>

#include "io/session.hpp"

namespace helisolv {

enum class RuntimeErrorCode {
  EndOfFile = 1,
  InvalidInteger = 2,
  InvalidReal = 3,
  IntegerOutOfRange = 4,
  ZeroRepeatCount = 5,
  CannotOpen = 6,
  CannotWrite = 7,
  BadLayout = 8,
  BadValueKind = 9,
  SystemFailure = 10,
  LineTooLong = 11,
};

// Writes "\nrun-time error <code>: <STATEMENT>(<unit name>)\n- <description>\n"
// to the error stream and returns the exit status, 1. detail, when given, is
// added to the description after a blank; it must already be printable (see
// quoted()).
int reportRuntimeError(Session& io, RuntimeErrorCode code, std::string_view statement,
                       std::string_view unitName, std::string_view detail = {});

// The same report, ending the run.
[[noreturn]] void runtimeError(Session& io, RuntimeErrorCode code, std::string_view statement,
                               std::string_view unitName, std::string_view detail = {});

// Text as a terminal may show it: every byte that is not printable ASCII (a
// control sequence, a broken character of the file) written as \xNN.
std::string printableBytes(std::string_view text);

// Text from the input in double quotes, cut short when long, with every byte
// that is not printable ASCII written as \xNN, so that a task file cannot send
// control sequences to the terminal through an error report.
std::string quoted(std::string_view text);

}  // namespace helisolv
