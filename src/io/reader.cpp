#include "io/reader.hpp"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <istream>
#include <ostream>

#include "io/channels.hpp"
#include "io/console.hpp"
#include "io/runtime_error.hpp"

namespace helisolv {

namespace {

const char* unitName(Unit unit) {
  return unit == Unit::Task ? "Helisolv.Tsk" : "stdin";
}

std::istream* inputStream(Unit unit) {
  return unit == Unit::Task ? channels().task : channels().keyboard;
}

// Reads one line of the unit without its line end (LF, or CR LF). Returns
// false at the end of the input.
bool readLine(Unit unit, std::string& line) {
  line.clear();
  std::istream* in = inputStream(unit);
  if (!in) return false;
  int c = in->get();
  if (c == std::char_traits<char>::eof()) return false;
  while (c != std::char_traits<char>::eof() && c != '\n') {
    line += static_cast<char>(c);
    c = in->get();
  }
  // A CR before the LF, or at the very end of the file, belongs to the line end.
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

// Reads the next line of a read statement; the end of the input is the
// end-of-file error of the run-time error report.
std::string nextLine(Unit unit) {
  std::string line;
  if (!readLine(unit, line)) runtimeError(RuntimeErrorCode::EndOfFile, "READ", unitName(unit));
  return line;
}

// A console read takes the user's Enter: the next record starts on this line.
void endConsoleRead(Unit unit) {
  if (unit != Unit::Task) setConsoleLineOpen(false);
}

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// An optionally signed string of digits within the 32-bit range.
void assignInteger(Unit unit, std::string_view token, int& target) {
  size_t i = 0;
  bool negative = false;
  if (i < token.size() && (token[i] == '+' || token[i] == '-')) negative = token[i++] == '-';
  if (i == token.size())
    runtimeError(RuntimeErrorCode::InvalidInteger, "READ", unitName(unit), token);
  long long v = 0;
  for (; i < token.size(); ++i) {
    if (!isDigit(token[i]))
      runtimeError(RuntimeErrorCode::InvalidInteger, "READ", unitName(unit), token);
    v = v * 10 + (token[i] - '0');
    if (v > 2147483648LL)
      runtimeError(RuntimeErrorCode::IntegerOutOfRange, "READ", unitName(unit), token);
  }
  if (negative) v = -v;
  if (v > 2147483647LL)
    runtimeError(RuntimeErrorCode::IntegerOutOfRange, "READ", unitName(unit), token);
  target = static_cast<int>(v);
}

// An optionally signed number with or without a decimal point and with an
// optional exponent (E, D, or a bare sign after the digits). Values beyond
// the 32-bit range are refused rather than read as infinity.
void assignReal(Unit unit, std::string_view token, float& target) {
  std::string normal;
  size_t i = 0;
  if (i < token.size() && (token[i] == '+' || token[i] == '-')) normal += token[i++];
  int digits = 0;
  while (i < token.size() && isDigit(token[i])) normal += token[i++], ++digits;
  if (i < token.size() && token[i] == '.') {
    normal += token[i++];
    while (i < token.size() && isDigit(token[i])) normal += token[i++], ++digits;
  }
  bool ok = digits > 0;
  if (ok && i < token.size()) {
    char e = token[i];
    if (e == 'e' || e == 'E' || e == 'd' || e == 'D' || e == 'q' || e == 'Q') ++i;
    normal += 'e';
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) normal += token[i++];
    // Leading zeros of the exponent carry no value; an exponent of more than
    // six digits lies far outside the 32-bit range either way, so it is kept
    // as 999999 (overflow above, underflow to zero below).
    bool expDigits = false;
    while (i < token.size() && token[i] == '0') ++i, expDigits = true;
    std::string exponent;
    for (; i < token.size() && isDigit(token[i]); ++i, expDigits = true)
      exponent = exponent.size() < 6 ? exponent + token[i] : std::string("999999");
    normal += exponent.empty() ? std::string("0") : exponent;
    ok = expDigits && i == token.size();
  }
  if (!ok) runtimeError(RuntimeErrorCode::InvalidReal, "READ", unitName(unit), token);
  errno = 0;
  float v = std::strtof(normal.c_str(), nullptr);
  if (!std::isfinite(v) || (errno == ERANGE && std::fabs(v) > 1.0f))
    runtimeError(RuntimeErrorCode::InvalidReal, "READ", unitName(unit), token);
  target = v;
}

void assign(Unit unit, std::string_view token, const Target& target) {
  if (std::holds_alternative<int*>(target))
    assignInteger(unit, token, *std::get<int*>(target));
  else
    assignReal(unit, token, *std::get<float*>(target));
}

}  // namespace

void readList(Unit unit, std::initializer_list<Target> targets) {
  const Target* next = targets.begin();
  const Target* const last = targets.end();
  std::string line = nextLine(unit);
  size_t pos = 0;
  // A comma right after another comma (or at the start of the statement)
  // stands for an empty value: that variable keeps its value.
  bool commaPending = true;
  while (next != last) {
    while (pos < line.size() && isBlank(line[pos])) ++pos;
    if (pos >= line.size()) {
      // A line end separates values like a blank; go on with the next line.
      line = nextLine(unit);
      pos = 0;
      continue;
    }
    const char c = line[pos];
    if (c == '/') break;
    if (c == ',') {
      ++pos;
      if (commaPending) ++next;  // empty value
      commaPending = true;
      continue;
    }
    size_t end = pos;
    while (end < line.size() && !isBlank(line[end]) && line[end] != ',' && line[end] != '/') ++end;
    std::string_view token(line.data() + pos, end - pos);
    pos = end;
    commaPending = false;
    // A repeat form r*value stands for r copies; r* alone for r empty values.
    size_t star = token.find('*');
    if (star == std::string_view::npos) {
      assign(unit, token, *next++);
      continue;
    }
    std::string_view countText = token.substr(0, star);
    std::string_view value = token.substr(star + 1);
    long long count = 0;
    if (countText.empty())
      runtimeError(RuntimeErrorCode::InvalidInteger, "READ", unitName(unit), token);
    for (char d : countText) {
      if (!isDigit(d))
        runtimeError(RuntimeErrorCode::InvalidInteger, "READ", unitName(unit), token);
      count = count * 10 + (d - '0');
      if (count > 2147483647LL)
        runtimeError(RuntimeErrorCode::IntegerOutOfRange, "READ", unitName(unit), token);
    }
    if (count == 0) runtimeError(RuntimeErrorCode::ZeroRepeatCount, "READ", unitName(unit), token);
    // Copies beyond the end of the list are not needed; stop there.
    for (long long k = 0; k < count && next != last; ++k) {
      if (!value.empty()) assign(unit, value, *next);
      ++next;
    }
  }
  endConsoleRead(unit);
}

char readChar(Unit unit) {
  std::string line = nextLine(unit);
  endConsoleRead(unit);
  return line.empty() ? ' ' : line.front();
}

std::string readText80(Unit unit) {
  std::string line = nextLine(unit);
  endConsoleRead(unit);
  line.resize(80, ' ');
  return line;
}

namespace {

// Runs a pause reply as a command through the command interpreter (COMSPEC
// when set, otherwise the system shell) and waits for it.
void runCommand(const std::string& command) {
  flushOutputs();
  const char* shell = std::getenv("COMSPEC");
  if (!shell || !*shell) shell = "/bin/sh";
  pid_t child = fork();
  if (child == 0) {
    // Console answers that come from a file or pipe stay with the program.
    if (!isatty(STDIN_FILENO)) {
      int devnull = open("/dev/null", O_RDONLY);
      if (devnull >= 0) dup2(devnull, STDIN_FILENO);
    }
    execl(shell, shell, "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  if (child > 0) {
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
  }
}

}  // namespace

void pause(std::string_view message) {
  if (consoleLineOpen()) consoleText("\r\n");
  consoleText(message);
  consoleText("\r\n");
  flushOutputs();
  // The end of the console input continues the run like an empty reply.
  std::string reply;
  readLine(Unit::Keyboard, reply);
  constexpr size_t kMaxReply = 128;
  if (reply.size() > kMaxReply) reply.resize(kMaxReply);
  while (!reply.empty() && isBlank(reply.back())) reply.pop_back();
  if (reply.size() >= 2) runCommand(reply);
}

void stop() {
  if (consoleLineOpen()) consoleText("\r\n");
  consoleText("Stop - Program terminated.\r\n");
  flushOutputs();
  throw RunEnd{0};
}

int reportRuntimeError(RuntimeErrorCode code, std::string_view statement, std::string_view unitName,
                       std::string_view detail) {
  static const char* const kDescriptions[] = {
      "",
      "end of file",
      "invalid integer",
      "invalid real",
      "integer out of range",
      "zero repeat count",
      "cannot open file",
      "cannot write to file",
      "malformed layout string",
      "value does not match its edit descriptor",
      "system failure",
  };
  flushOutputs();
  const int n = static_cast<int>(code);
  if (std::ostream* err = channels().errors) {
    *err << "\nrun-time error " << n << ": " << statement << "(" << unitName << ")\n- "
         << kDescriptions[n];
    // The offending text is quoted, cut short if a hostile line made it long.
    constexpr size_t kMaxDetail = 60;
    if (!detail.empty())
      *err << " \"" << detail.substr(0, kMaxDetail) << (detail.size() > kMaxDetail ? "..." : "")
           << "\"";
    *err << "\n";
    err->flush();
  }
  return 1;
}

void runtimeError(RuntimeErrorCode code, std::string_view statement, std::string_view unitName,
                  std::string_view detail) {
  throw RunEnd{reportRuntimeError(code, statement, unitName, detail)};
}

}  // namespace helisolv
