// Where each unit's bytes go. A run of the program points these at the
// standard streams and the two files; tests point them at string streams to
// capture the console and the result file.
#pragma once

#include <iosfwd>

namespace helisolv {

struct Channels {
  std::istream* keyboard = nullptr;  // console input: answers and pause replies
  std::ostream* console = nullptr;   // console output: records, prompts, stop text
  std::ostream* errors = nullptr;    // run-time error reports
  std::ostream* result = nullptr;    // the result file, once opened
  std::istream* task = nullptr;      // the task file, once opened
  // Lines taken so far from each input, for the line numbers of error reports.
  long taskLines = 0;
  long keyboardLines = 0;
  // The task file did not exist and was created empty by this run.
  bool taskCreated = false;
};

// Makes these the streams of the run and resets the console's open-line flag.
void useChannels(const Channels& channels);

// The streams in use.
Channels& channels();

// Ends the run: thrown by stop() (status 0, or 3 for refused inputs) and by the
// run-time error report (status 1), caught by runProgram, which closes the
// files and returns it.
struct RunEnd {
  int status;
};

}  // namespace helisolv
