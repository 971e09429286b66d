// A task file of either form: the keyword file (TOML: named inputs with their
// units, the console's answers, the model options) and the fixed-line file
// that stored tasks use (series on line 14, problem type on line 78, the
// inputs from line 79 in a fixed order). The two are told apart by content.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "helisolv/open_water.hpp"
#include "helisolv/task.hpp"

namespace helisolv {

// Answers to the console's questions given in the task file. Each stands in
// for the console's line once; a question the file does not answer, or asks
// again after refusing the file's answer, reads the console.
struct TaskAnswers {
  std::optional<bool> changePropeller;     // types 1-3: change the selected propeller?
  std::optional<int> row;                  // types 1-3: the table row wanted
  std::optional<int> bollardCandidate;     // type 4: 1, 2 or 3
  std::optional<bool> viscousCorrection;   // type 5: apply the viscous correction?
  std::optional<float> fullScaleDiameter;  // type 5: m
  std::optional<float> fullScaleRpm;       // type 5: rpm
};

// A task with what the fixed-line form does not hold.
struct TaskFile {
  Task task;
  std::string title;               // one line
  std::vector<std::string> notes;  // free text: comments of a keyword file
  TaskAnswers answers;
  std::optional<ViscousCorrection> viscousCorrectionModel;
  std::optional<GawnModel> gawnModel;
};

// A task file read: the task, or the errors that name each mistake.
struct TaskParse {
  // Set when every input could be read, even when one lies out of range.
  std::optional<TaskFile> task;
  std::vector<std::string> errors;    // each a sentence, with "line L, column C: " where known
  std::vector<std::string> warnings;  // inputs the problem does not read, and the like
  // Result: the task runs; RunTimeError: the file could not be read (syntax,
  // an unknown key, a missing input, a missing or wrong unit); InputsRefused:
  // an input out of the physically possible range, no run.
  ExitStatus exitStatus = ExitStatus::Result;
};

// True when the text is a keyword task file rather than a fixed-line one.
bool isKeywordTask(std::string_view text);

// Reads a task file of either form.
TaskParse parseTask(std::string_view text);

// The keyword file of the task: every value in the program's unit, the notes
// as comments, the answers and model options when given.
std::string toToml(const TaskFile& file);

// The fixed-line file of the task: the title and notes on the free lines
// (as many as they hold), the series, the problem type and its inputs, each
// real as the shortest text that reads back to the same 32-bit value.
std::string toFixedLines(const TaskFile& file);

}  // namespace helisolv
