#include "io/console.hpp"

#include <algorithm>
#include <optional>
#include <ostream>
#include <string>

#include "io/runtime_error.hpp"

namespace helisolv {

namespace {

[[noreturn]] void consoleRefused(Session& io) {
  runtimeError(io, RuntimeErrorCode::CannotWrite, "WRITE", "stdout",
               "stdout: the system refused the console output (disk full or output closed?)");
}

}  // namespace

std::string_view localized(Session& io, std::string_view turkish) {
  if (io.language == Language::Turkish) return turkish;
  if (const std::optional<std::string_view> twin = translate(io.language, turkish)) return *twin;
  // A rule or a layout of data descriptors only reads the same in every language.
  if (!needsTranslation(turkish)) return turkish;
  bool noted = false;
  for (const std::string& text : io.untranslated) noted = noted || text == turkish;
  if (!noted) io.untranslated.emplace_back(turkish);
  return turkish;
}

void warn(Session& io, std::string_view cause, std::string text) {
  for (const Warning& w : io.warnings)
    if (w.cause == cause) return;
  io.warnings.push_back({std::string(cause), std::move(text)});
  // Every console record starts with its own line break, so the console's
  // last line stays open after it: a warning written then would continue it.
  if (!io.lineOpen) showWarnings(io);
}

void note(Session& io, std::string_view cause, std::string text) {
  for (const Warning& n : io.notes)
    if (n.cause == cause) return;
  io.notes.push_back({std::string(cause), std::move(text)});
}

bool warned(const Session& io, std::string_view cause) {
  for (const Warning& w : io.warnings)
    if (w.cause == cause) return true;
  return false;
}

void showWarnings(Session& io) {
  for (; io.warningsShown < io.warnings.size(); ++io.warningsShown) {
    if (!io.ch.errors) continue;
    *io.ch.errors << "helisolv: warning: " << io.warnings[io.warningsShown].text << '\n';
    io.ch.errors->flush();
  }
}

void consoleText(Session& io, std::string_view text) {
  if (!io.ch.console) return;
  io.ch.console->write(text.data(), static_cast<std::streamsize>(text.size()));
  if (!*io.ch.console) consoleRefused(io);
}

void emitRecord(Session& io, Unit unit, std::string_view record) {
  if (unit == Unit::Result) {
    std::ostream* out = io.ch.result;
    if (!out)
      runtimeError(io, RuntimeErrorCode::CannotWrite, "WRITE", "Helisolv.Son",
                   "unit 8 is not open");
    out->write(record.data(), static_cast<std::streamsize>(record.size()));
    out->write("\r\n", 2);
    // Each record reaches the file before the run goes on, so a refused write
    // is reported at the statement that made it.
    out->flush();
    if (!*out) runtimeError(io, RuntimeErrorCode::CannotWrite, "WRITE", "Helisolv.Son");
    if (io.resultWritten) io.resultWritten();
    return;
  }
  // The first character is carriage control and is not printed; an empty
  // record counts as one blank. The line break comes before the record.
  const char control = record.empty() ? ' ' : record.front();
  switch (control) {
    case '0':
      consoleText(io, io.lineOpen ? "\r\n\r\n" : "\r\n");
      break;
    case '1':
      consoleText(io, "\r\n\f\r \r");
      break;
    case '+':
      consoleText(io, "\r");
      break;
    default:
      if (io.lineOpen) consoleText(io, "\r\n");
      break;
  }
  if (record.size() > 1) {
    consoleText(io, record.substr(1));
    const size_t first = record.find_first_not_of(' ', 1);
    if (first != std::string_view::npos) io.lastText.assign(record.substr(first));
  }
  io.lineOpen = true;
}

void flushOutputs(Session& io) {
  if (io.ch.console) io.ch.console->flush();
  if (io.ch.result) io.ch.result->flush();
}

void flushConsole(Session& io) {
  if (!io.ch.console) return;
  io.ch.console->flush();
  if (!*io.ch.console) consoleRefused(io);
}

bool consoleFailed(const Session& io) {
  return io.ch.console && !*io.ch.console;
}

}  // namespace helisolv
