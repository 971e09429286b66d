#include "io/console.hpp"

#include <ostream>
#include <string>

#include "io/channels.hpp"
#include "io/runtime_error.hpp"

namespace helisolv {

namespace {

Channels current;
bool lineOpen = false;
std::string lastText;

[[noreturn]] void consoleRefused() {
  runtimeError(RuntimeErrorCode::CannotWrite, "WRITE", "stdout",
               "stdout: the system refused the console output (disk full or output closed?)");
}

void (*resultObserver)(std::string_view) = nullptr;

}  // namespace

void useChannels(const Channels& c) {
  current = c;
  lineOpen = false;
  lastText.clear();
}

Channels& channels() {
  return current;
}

bool consoleLineOpen() {
  return lineOpen;
}
void setConsoleLineOpen(bool open) {
  lineOpen = open;
}

std::string_view lastConsoleText() {
  return lastText;
}

void consoleText(std::string_view text) {
  if (!current.console) return;
  current.console->write(text.data(), static_cast<std::streamsize>(text.size()));
  if (!*current.console) consoleRefused();
}

void emitRecord(Unit unit, std::string_view record) {
  if (unit == Unit::Result) {
    std::ostream* out = current.result;
    if (!out)
      runtimeError(RuntimeErrorCode::CannotWrite, "WRITE", "Helisolv.Son", "unit 8 is not open");
    out->write(record.data(), static_cast<std::streamsize>(record.size()));
    out->write("\r\n", 2);
    // Each record reaches the file before the run goes on, so a refused write
    // is reported at the statement that made it.
    out->flush();
    if (!*out) runtimeError(RuntimeErrorCode::CannotWrite, "WRITE", "Helisolv.Son");
    if (resultObserver) resultObserver(record);
    return;
  }
  // The first character is carriage control and is not printed; an empty
  // record counts as one blank. The line break comes before the record.
  const char control = record.empty() ? ' ' : record.front();
  switch (control) {
    case '0':
      consoleText(lineOpen ? "\r\n\r\n" : "\r\n");
      break;
    case '1':
      consoleText("\r\n\f\r \r");
      break;
    case '+':
      consoleText("\r");
      break;
    default:
      if (lineOpen) consoleText("\r\n");
      break;
  }
  if (record.size() > 1) {
    consoleText(record.substr(1));
    const size_t first = record.find_first_not_of(' ', 1);
    if (first != std::string_view::npos) lastText.assign(record.substr(first));
  }
  lineOpen = true;
}

void observeResultRecords(void (*observer)(std::string_view record)) {
  resultObserver = observer;
}

void flushOutputs() {
  if (current.console) current.console->flush();
  if (current.result) current.result->flush();
}

void flushConsole() {
  if (!current.console) return;
  current.console->flush();
  if (!*current.console) consoleRefused();
}

bool consoleFailed() {
  return current.console && !*current.console;
}

}  // namespace helisolv
