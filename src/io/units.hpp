// Logical units of the program. The console is one channel behind Keyboard,
// Console and Default, sharing one open-line flag.
#pragma once

namespace helisolv {

enum class Unit {
  Default,   // the console, output and input (closing lines, pause prompts)
  Keyboard,  // unit 5: console input (answers to questions)
  Console,   // unit 6: console output
  Result,    // unit 8: the result file Helisolv.Son
  Task,      // unit 55: the task file Helisolv.Tsk
};

}  // namespace helisolv
