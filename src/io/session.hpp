// Everything one run reads from and writes to: the streams behind the units,
// the console's open-line flag, the parsed layouts, the data export listening
// to the report, and the run's warnings. Every reader and writer is handed the
// session of its run, so two runs never share a line flag, a stream or a
// warning, and a test can capture a run in string streams.
#pragma once

#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "i18n/catalogue.hpp"
#include "io/layout.hpp"
#include "io/question.hpp"

namespace helisolv {

class RunData;

// Where each unit's bytes go.
struct Channels {
  std::istream* keyboard = nullptr;  // console input: answers and pause replies
  std::ostream* console = nullptr;   // console output: records, prompts, stop text
  std::ostream* errors = nullptr;    // run-time error reports and warnings
  std::ostream* result = nullptr;    // the result file, once opened
  std::istream* task = nullptr;      // the task file, once opened
};

// A warning of the run: the cause it belongs to (at most one per cause) and
// its sentence in plain English.
struct Warning {
  std::string cause;
  std::string text;
};

struct Session {
  explicit Session(const Channels& streams = {}) : ch(streams) {}

  Channels ch;
  // Lines taken so far from each input, for the line numbers of error reports.
  long taskLines = 0;
  long keyboardLines = 0;
  // How reports name the task file: Helisolv.Tsk, or the file named on the command line.
  std::string taskName = "Helisolv.Tsk";
  // The task file did not exist and was created empty by this run.
  bool taskCreated = false;
  // The console's open-line flag: true once a record is printed, false once a
  // console read has taken the user's line end.
  bool lineOpen = false;
  // The last console record that was not blank: the question a console read answers.
  std::string lastText;
  // The question the console read under way answers, as its caller named it.
  Question asking = Question::None;
  // An answer given before the run (the task file's, a library caller's) to
  // stand in for the console's line: the line to take, or nothing to read the
  // console. Asked once per read; a question asked again after a refused
  // answer asks again, so the function must not give the same refused
  // answer forever. None: every answer comes from the console.
  std::function<std::optional<std::string>(Question)> presetAnswer;
  // Layouts parsed in this run, each once.
  std::map<std::string, std::unique_ptr<Layout>, std::less<>> layouts;
  // The tables and results the run hands to the data export; none without one.
  RunData* data = nullptr;
  // Called after each record reaches the result file (the record of an
  // interrupted run keeps up with the report); none: nothing.
  std::function<void()> resultWritten;
  // Called before a pause reply runs as a command, so that the command finds
  // the report so far where the user expects it; none: nothing to do.
  std::function<void()> beforeCommand;
  // A library run sets this off: its pause replies never run as commands,
  // whatever the environment says.
  bool pauseRepliesRunAsCommands = true;
  std::vector<Warning> warnings;
  // How many of the warnings are on the error stream already.
  size_t warningsShown = 0;
  // What run.csv says besides the warnings: figures beyond the series that
  // the run always computes, though no result rests on them.
  std::vector<Warning> notes;
  // The tip speed (m/s) above which the blade checks warn; 0: no limit set.
  float tipSpeedLimit = 0.0f;
  // The last task-file line a read took (its first 200 characters), for a
  // message that quotes the line a value came from.
  std::string lastTaskLine;
  // The language of every text the run prints; Turkish is the reference.
  Language language = Language::Turkish;
  // The Turkish texts this run printed untranslated, each once, in the order
  // first printed (empty in a Turkish run).
  std::vector<std::string> untranslated;
};

// The text a run of this session prints for a Turkish layout or free text:
// itself in Turkish, its twin in another language, or (no twin) itself, noted
// in io.untranslated.
std::string_view localized(Session& io, std::string_view turkish);

// Ends the run: thrown by stop() (status 0, or 3 for refused inputs) and by the
// run-time error report (status 1), caught by the driver, which closes the
// files and returns it.
struct RunEnd {
  int status;
};

// Records a warning of this cause, unless the run already has one, and
// writes it to the error stream as "helisolv: warning: <text>": at once when
// the console's last line is closed, otherwise at the next point that closes
// it (a pause, the stop, a run-time error report), so that on a terminal the
// warning never runs on from a console line.
void warn(Session& io, std::string_view cause, std::string text);

// Writes the warnings not yet shown to the error stream.
void showWarnings(Session& io);

// Records a note of this cause for run.csv, unless the run already has one;
// a note is never shown on standard error.
void note(Session& io, std::string_view cause, std::string text);

// The run has a warning of this cause.
bool warned(const Session& io, std::string_view cause);

}  // namespace helisolv
