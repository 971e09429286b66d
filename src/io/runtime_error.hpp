// The run-time error report: a failed read, open or write ends the run with a
// report on standard error and exit status 1.
#pragma once

#include <string_view>

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
};

// Writes "\nrun-time error <code>: <STATEMENT>(<unit name>)\n- <description>\n"
// to the error stream and ends the run with status 1. detail, when given, is
// added to the description.
// The same report without ending the run; returns the exit status, 1.
int reportRuntimeError(RuntimeErrorCode code, std::string_view statement, std::string_view unitName,
                       std::string_view detail = {});

[[noreturn]] void runtimeError(RuntimeErrorCode code, std::string_view statement,
                               std::string_view unitName, std::string_view detail = {});

}  // namespace helisolv
