#include "io/reader.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <istream>
#include <optional>
#include <ostream>
#include <span>
#include <vector>

#include "io/console.hpp"
#include "io/runtime_error.hpp"

namespace helisolv {

namespace {

std::string_view unitName(const Session& io, Unit unit) {
  return unit == Unit::Task ? std::string_view(io.taskName) : std::string_view("stdin");
}

std::istream* inputStream(Session& io, Unit unit) {
  return unit == Unit::Task ? io.ch.task : io.ch.keyboard;
}

long& linesTaken(Session& io, Unit unit) {
  return unit == Unit::Task ? io.taskLines : io.keyboardLines;
}

// "at line 80" of the task file, "at console line 3" of the console input.
std::string lineRef(Unit unit, long line) {
  return (unit == Unit::Task ? "at line " : "at console line ") + std::to_string(line);
}

// The meaning of the question the console read answers, as its caller named
// it; none for a pause or a task-file read.
std::optional<QuestionMeaning> consoleQuestion(const Session& io) {
  if (io.asking == Question::None) return std::nullopt;
  return questionMeaning(io.asking);
}

// "; the question was "<question>", that is: <meaning>" for a console read.
std::string questionRef(const Session& io, Unit unit) {
  if (unit == Unit::Task) return {};
  std::string s = "; the question was " + quoted(io.lastText);
  if (const auto q = consoleQuestion(io)) {
    std::string meaning(q->meaning);
    // An English yes/no question says Y/N and takes E/H as well.
    const std::string_view turkishAnswers = "E yes, H no";
    const size_t at = meaning.find(turkishAnswers);
    if (io.language != Language::Turkish && at != std::string::npos)
      meaning.replace(at, turkishAnswers.size(), "Y or E yes, N or H no");
    s += ", that is: " + meaning;
  }
  return s;
}

// The value a list read is filling: its place in the list and its name.
struct ValueRef {
  size_t index = 0;  // 0-based
  size_t count = 0;
  std::string_view name;
};

std::string describe(const ValueRef& v) {
  std::string s = "value " + std::to_string(v.index + 1) + " of " + std::to_string(v.count);
  if (!v.name.empty()) s += " (" + std::string(v.name) + ")";
  return s;
}

// The question a console read answers, for as long as the read lasts.
class AskingScope {
 public:
  AskingScope(Session& io, Question question) : io_(io), before_(io.asking) {
    io.asking = question;
  }
  ~AskingScope() { io_.asking = before_; }
  AskingScope(const AskingScope&) = delete;
  AskingScope& operator=(const AskingScope&) = delete;

 private:
  Session& io_;
  Question before_;
};

enum class LineRead { Line, End, TooLong };

// Reads one line of the unit without its line end (LF, or CR LF), keeping at
// most `keep` characters and dropping the rest as it is read.
LineRead readLine(Session& io, Unit unit, std::string& line, size_t keep) {
  line.clear();
  // An answer given beforehand stands in for the console's line.
  if (unit != Unit::Task && io.asking != Question::None && io.presetAnswer) {
    if (std::optional<std::string> answer = io.presetAnswer(io.asking)) {
      line = answer->substr(0, keep);
      return LineRead::Line;
    }
  }
  std::istream* in = inputStream(io, unit);
  if (!in) return LineRead::End;
  // The question stands on the console before the program waits for its answer.
  if (unit != Unit::Task) flushConsole(io);
  std::streambuf* buf = in->rdbuf();
  using Traits = std::char_traits<char>;
  int c = buf ? buf->sbumpc() : Traits::eof();
  if (c == Traits::eof()) {
    in->setstate(std::ios::eofbit);
    return LineRead::End;
  }
  ++linesTaken(io, unit);
  long length = 0;
  // One character more than kept, so that a CR ending the kept part can be
  // told apart from a CR inside a longer line.
  while (c != Traits::eof() && c != '\n') {
    // The CR of a CR LF line end is no part of the line's length.
    if (++length > kMaxLineLength && !(length == kMaxLineLength + 1 && c == '\r' &&
                                       (buf->sgetc() == '\n' || buf->sgetc() == Traits::eof())))
      return LineRead::TooLong;
    if (line.size() <= keep) line += static_cast<char>(c);
    c = buf->sbumpc();
  }
  // A CR before the LF, or at the very end of the file, belongs to the line end.
  if (static_cast<long>(line.size()) == length && !line.empty() && line.back() == '\r')
    line.pop_back();
  if (line.size() > keep) line.resize(keep);
  return LineRead::Line;
}

// `context` names the question or the pause the line answers.
[[noreturn]] void lineTooLong(Session& io, Unit unit, const std::string& context) {
  runtimeError(io, RuntimeErrorCode::LineTooLong, "READ", unitName(io, unit),
               lineRef(unit, linesTaken(io, unit)) + ": no line end within " +
                   std::to_string(kMaxLineLength) +
                   " characters (is the input a device or a binary file?)" + context);
}

// A Task read past the end of a task file this run created empty: say so,
// and where task files are to be found.
[[noreturn]] void missingTaskFile(Session& io) {
  runtimeError(io, RuntimeErrorCode::EndOfFile, "READ", unitName(io, Unit::Task),
               "at line 1: Helisolv.Tsk did not exist, so an empty one was created; copy a task "
               "file from examples/ to Helisolv.Tsk (see README)");
}

// The part of a task-file line kept for a message that quotes it (quoted()
// shows 60 characters).
constexpr size_t kQuotedTaskLine = 200;

// Reads the next line of a read statement; the end of the input is the
// end-of-file error, naming what was still wanted.
std::string nextLine(Session& io, Unit unit, size_t keep, std::string_view wanted) {
  std::string line;
  switch (readLine(io, unit, line, keep)) {
    case LineRead::Line:
      if (unit == Unit::Task) io.lastTaskLine = line.substr(0, kQuotedTaskLine);
      return line;
    case LineRead::TooLong:
      lineTooLong(io, unit, questionRef(io, unit));
    case LineRead::End:
      break;
  }
  if (unit == Unit::Task && io.taskCreated && linesTaken(io, unit) == 0) missingTaskFile(io);
  runtimeError(io, RuntimeErrorCode::EndOfFile, "READ", unitName(io, unit),
               lineRef(unit, linesTaken(io, unit) + 1) + ": " + std::string(wanted) +
                   " is missing" + questionRef(io, unit));
}

// A console read takes the user's Enter: the next record starts on this line.
void endConsoleRead(Session& io, Unit unit) {
  if (unit != Unit::Task) io.lineOpen = false;
}

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

bool isSeparator(char c) {
  return isBlank(c) || c == ',' || c == '/';
}
bool allDigits(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// A comma that splits what looks like one decimal number, as "0,55" does: a
// whole number before it and digits after it, on a line that otherwise
// separates its values by blanks (in a line of comma-separated values such a
// pair is two values on purpose).
struct DecimalComma {
  std::string before;
  std::string after;
};

std::optional<DecimalComma> findDecimalComma(std::string_view line) {
  const std::string_view values = line.substr(0, line.find('/'));
  const size_t first = values.find_first_not_of(" \t");
  const size_t last = values.find_last_not_of(" \t");
  if (first == std::string_view::npos ||
      values.substr(first, last - first + 1).find_first_of(" \t") == std::string_view::npos)
    return std::nullopt;
  for (size_t i = 0; i < values.size(); ++i) {
    if (values[i] != ',') continue;
    size_t from = i;
    while (from > 0 && !isSeparator(values[from - 1])) --from;
    size_t to = i + 1;
    while (to < values.size() && !isSeparator(values[to])) ++to;
    const std::string_view before = values.substr(from, i - from);
    const std::string_view after = values.substr(i + 1, to - i - 1);
    const bool hasSign = before.starts_with('-') || before.starts_with('+');
    if (allDigits(hasSign ? before.substr(1) : before) && allDigits(after))
      return DecimalComma{std::string(before), std::string(after)};
  }
  return std::nullopt;
}

}  // namespace

std::optional<float> parseReal(std::string_view text) {
  const bool negative = text.starts_with('-');
  if (text.starts_with('+') || negative) text.remove_prefix(1);
  if (text.empty() || text.front() == '-') return std::nullopt;
  float v = 0.0f;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (end != text.data() + text.size()) return std::nullopt;
  if (ec == std::errc::result_out_of_range) {
    // Out of range either way: beyond the largest 32-bit value, or below the
    // smallest, where strtof gives zero. Which one depends on the decimal
    // place of the first significant digit.
    const size_t e = text.find_first_of("eE");
    const std::string_view digits = text.substr(0, e);
    long long place = static_cast<long long>(std::min(digits.find('.'), digits.size()));
    const size_t first = digits.find_first_of("123456789");
    if (first == std::string_view::npos) return negative ? -0.0f : 0.0f;
    place -= static_cast<long long>(first) + (digits.find('.') < first ? 1 : 0);
    if (e != std::string_view::npos) {
      std::string_view exponent = text.substr(e + 1);
      const bool down = exponent.starts_with('-');
      if (down || exponent.starts_with('+')) exponent.remove_prefix(1);
      long long x = 0;
      for (char c : exponent) x = std::min(x * 10 + (c - '0'), 1000000000LL);
      place += down ? -x : x;
    }
    if (place > 0) return std::nullopt;
    return negative ? -0.0f : 0.0f;
  }
  if (ec != std::errc()) return std::nullopt;
  return negative ? -v : v;
}

namespace {

// One free-format read statement: the line being read and the value being
// filled, for the error reports.
class ListRead {
 public:
  ListRead(Session& io, Unit unit, std::span<const NamedTarget> targets)
      : io_(io), unit_(unit), targets_(targets) {}

  void run();

 private:
  ValueRef current() const {
    if (next_ >= targets_.size()) return {next_, targets_.size(), {}};
    ValueRef v{next_, targets_.size(), targets_[next_].name};
    if (v.name.empty() && unit_ != Unit::Task) {
      if (const auto q = consoleQuestion(io_); q && next_ < q->values.size())
        v.name = q->values[next_];
    }
    return v;
  }

  // The text found does not fit the value: line, value, text, and a hint
  // when the line holds a decimal comma (a comma separates values).
  [[noreturn]] void refuse(RuntimeErrorCode code, std::string_view token) const {
    std::string detail = lineRef(unit_, linesTaken(io_, unit_)) + ": " + describe(current()) +
                         " is " + quoted(token);
    detail += questionRef(io_, unit_);
    for (size_t i = 1; i + 1 < line_.size(); ++i) {
      if (line_[i] == ',' && isDigit(line_[i - 1]) && isDigit(line_[i + 1])) {
        size_t from = i - 1;
        while (from > 0 && (isDigit(line_[from - 1]) || line_[from - 1] == '.')) --from;
        size_t to = i + 1;
        while (to < line_.size() && isDigit(line_[to])) ++to;
        detail += "; the line holds " + quoted(line_.substr(from, to - from)) +
                  ": a comma separates two values, decimals take a point";
        break;
      }
    }
    warnDecimalComma();
    runtimeError(io_, code, "READ", unitName(io_, unit_), detail);
  }

  // An optionally signed string of digits within the 32-bit range.
  void assignInteger(std::string_view token, int& target) const {
    size_t i = 0;
    bool negative = false;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) negative = token[i++] == '-';
    if (i == token.size()) refuse(RuntimeErrorCode::InvalidInteger, token);
    long long v = 0;
    for (; i < token.size(); ++i) {
      if (!isDigit(token[i])) refuse(RuntimeErrorCode::InvalidInteger, token);
      v = v * 10 + (token[i] - '0');
      if (v > 2147483648LL) refuse(RuntimeErrorCode::IntegerOutOfRange, token);
    }
    if (negative) v = -v;
    if (v > 2147483647LL) refuse(RuntimeErrorCode::IntegerOutOfRange, token);
    target = static_cast<int>(v);
  }

  // An optionally signed number with or without a decimal point and with an
  // optional exponent (E, D, or a bare sign after the digits). Values beyond
  // the 32-bit range are refused rather than read as infinity.
  void assignReal(std::string_view token, float& target) const {
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
    if (!ok) refuse(RuntimeErrorCode::InvalidReal, token);
    const std::optional<float> v = parseReal(normal);
    if (!v) refuse(RuntimeErrorCode::InvalidReal, token);
    target = *v;
  }

  void assign(std::string_view token) const {
    const Target& target = targets_[next_].target;
    if (std::holds_alternative<int*>(target))
      assignInteger(token, *std::get<int*>(target));
    else
      assignReal(token, *std::get<float*>(target));
  }

  void readNextLine() {
    line_ = nextLine(io_, unit_, static_cast<size_t>(kMaxLineLength), describe(current()));
    // Only the task file's input list (line 79 on) reads several values from
    // the task file; the single values of lines 14 and 78 are whole numbers.
    if (unit_ == Unit::Task && targets_.size() > 1 && !comma_) {
      comma_ = findDecimalComma(line_);
      commaLine_ = linesTaken(io_, unit_);
    }
  }

  // Said whether or not the values read make a run: a decimal comma shifts
  // every later value, which a later check may or may not catch.
  void warnDecimalComma() const {
    if (!comma_) return;
    const DecimalComma& c = *comma_;
    warn(io_, "decimal comma",
         "task-file line " + std::to_string(commaLine_) + " holds " +
             quoted(c.before + "," + c.after) + ": a comma separates values, so it is read as " +
             "two values, " + c.before + " and " + c.after +
             ", and the values after it move one place on; write " + c.before + "." + c.after +
             " if a decimal number was meant");
  }

  Session& io_;
  Unit unit_;
  std::span<const NamedTarget> targets_;
  size_t next_ = 0;
  std::string line_;
  // The first decimal comma on the lines of this read, and its line.
  std::optional<DecimalComma> comma_;
  long commaLine_ = 0;
};

void ListRead::run() {
  readNextLine();
  size_t pos = 0;
  // A comma right after another comma (or at the start of the statement)
  // stands for an empty value: that variable keeps its value.
  bool commaPending = true;
  while (next_ < targets_.size()) {
    while (pos < line_.size() && isBlank(line_[pos])) ++pos;
    if (pos >= line_.size()) {
      // A line end separates values like a blank; go on with the next line.
      readNextLine();
      pos = 0;
      continue;
    }
    const char c = line_[pos];
    if (c == '/') break;
    if (c == ',') {
      ++pos;
      if (commaPending) ++next_;  // empty value
      commaPending = true;
      continue;
    }
    size_t end = pos;
    while (end < line_.size() && !isBlank(line_[end]) && line_[end] != ',' && line_[end] != '/')
      ++end;
    const std::string token = line_.substr(pos, end - pos);
    pos = end;
    commaPending = false;
    // A repeat form r*value stands for r copies; r* alone for r empty values.
    const size_t star = token.find('*');
    if (star == std::string::npos) {
      assign(token);
      ++next_;
      continue;
    }
    const std::string_view countText = std::string_view(token).substr(0, star);
    const std::string_view value = std::string_view(token).substr(star + 1);
    long long count = 0;
    if (countText.empty()) refuse(RuntimeErrorCode::InvalidInteger, token);
    for (char d : countText) {
      if (!isDigit(d)) refuse(RuntimeErrorCode::InvalidInteger, token);
      count = count * 10 + (d - '0');
      if (count > 2147483647LL) refuse(RuntimeErrorCode::IntegerOutOfRange, token);
    }
    if (count == 0) refuse(RuntimeErrorCode::ZeroRepeatCount, token);
    // Copies beyond the end of the list are not needed; stop there.
    for (long long k = 0; k < count && next_ < targets_.size(); ++k) {
      if (!value.empty()) assign(value);
      ++next_;
    }
  }
  warnDecimalComma();
  endConsoleRead(io_, unit_);
}

}  // namespace

void readList(Session& io, Unit unit, std::initializer_list<NamedTarget> targets) {
  readList(io, unit, std::span<const NamedTarget>(targets.begin(), targets.size()));
}

void readList(Session& io, Unit unit, std::span<const NamedTarget> targets) {
  ListRead(io, unit, targets).run();
}

void readList(Session& io, Unit unit, std::initializer_list<Target> targets) {
  std::vector<NamedTarget> named;
  for (const Target& t : targets) named.push_back({t, {}});
  ListRead(io, unit, named).run();
}

void readList(Session& io, Unit unit, Question question, std::initializer_list<Target> targets) {
  const AskingScope asking(io, question);
  readList(io, unit, targets);
}

char readChar(Session& io, Unit unit, Question question) {
  const AskingScope asking(io, question);
  std::string line = nextLine(io, unit, 1, "the answer");
  endConsoleRead(io, unit);
  const char answer = line.empty() ? ' ' : line.front();
  // An English question says Y/N; the answer means what E/H means (which an
  // English run accepts too). A Turkish run takes the answer as typed.
  if (io.language != Language::Turkish && isYesNo(question)) {
    if (answer == 'Y' || answer == 'y') return answer == 'Y' ? 'E' : 'e';
    if (answer == 'N' || answer == 'n') return answer == 'N' ? 'H' : 'h';
  }
  return answer;
}

std::string readText80(Session& io, Unit unit, std::string_view what) {
  std::string line = nextLine(io, unit, 80, what.empty() ? std::string_view("a line") : what);
  endConsoleRead(io, unit);
  line.resize(80, ' ');
  return line;
}

std::string readWholeLine(Session& io, Unit unit, const std::string& context) {
  std::string line;
  if (readLine(io, unit, line, static_cast<size_t>(kMaxLineLength)) == LineRead::TooLong)
    lineTooLong(io, unit, context);
  return line;
}

}  // namespace helisolv
