#include "helisolv/task_file.hpp"

#include <toml++/toml.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <sstream>
#include <string>

#include "driver/fixed_lines.hpp"
#include "driver/options.hpp"
#include "driver/task_inputs.hpp"
#include "io/reader.hpp"
#include "io/runtime_error.hpp"
#include "io/task_layout.hpp"
#include "taskfile/answers.hpp"
#include "taskfile/toml_text.hpp"
#include "taskfile/units.hpp"

namespace helisolv {

namespace {

// The inputs a keyword file names. Each fills one value of the Task (the
// three bollard diameters one array).
enum class Key {
  Thrust,
  Power,
  Torque,
  Diameter,
  Diameters,
  Rpm,
  AdvanceSpeed,
  Density,
  Blades,
  AreaRatio,
  PitchRatio,
  ShaftDepth,
  Bp,
  Delta,
  ViscousCorrection,
};

// What a value may be: the lowest accepted, and whether that bound itself is.
struct Range {
  float lowest;
  bool lowestAccepted;
};

constexpr Range kPositive{0.0f, false};
constexpr Range kNotNegative{0.0f, true};
constexpr Range kOneOrMore{1.0f, true};
// A shaft above the surface is a mistake the run warns of, not an impossibility.
constexpr Range kAny{-std::numeric_limits<float>::max(), true};

// What the range asks of a value, for the message that refuses one outside it.
std::string rangeText(const Range& r) {
  if (r.lowest == 1.0f) return "one or more";
  return r.lowestAccepted ? "zero or more" : "positive";
}

struct KeyInfo {
  Key key;
  std::string_view name;
  std::optional<units::Kind> kind;  // none: a number without unit
  std::string_view meaning;
  Range range;
};

constexpr std::array<KeyInfo, 15> kKeys{{
    {Key::Thrust, "thrust", units::Kind::Force, "the required thrust", kNotNegative},
    {Key::Power, "power", units::Kind::Power, "the delivered power", kNotNegative},
    {Key::Torque, "torque", units::Kind::Torque, "the required torque", kNotNegative},
    {Key::Diameter, "diameter", units::Kind::Length, "the propeller diameter", kPositive},
    {Key::Diameters, "diameters", units::Kind::Length, "the three candidate diameters", kPositive},
    {Key::Rpm, "rpm", units::Kind::Rotation, "the revolutions", kPositive},
    {Key::AdvanceSpeed, "advance_speed", units::Kind::Speed, "the speed of advance", kNotNegative},
    {Key::Density, "density", units::Kind::Density, "the water density", kPositive},
    {Key::Blades, "blades", std::nullopt, "the blade number", kOneOrMore},
    // Zero asks types 8 to 10 for the table over area ratio alone.
    {Key::AreaRatio, "area_ratio", std::nullopt, "the expanded area ratio", kNotNegative},
    {Key::PitchRatio, "pitch_ratio", std::nullopt, "the pitch ratio", kPositive},
    {Key::ShaftDepth, "shaft_depth", units::Kind::Length, "the shaft depth", kAny},
    {Key::Bp, "bp", std::nullopt, "the power coefficient Bp", kPositive},
    {Key::Delta, "delta", std::nullopt, "the advance coefficient delta", kPositive},
    {Key::ViscousCorrection, "viscous_correction", std::nullopt,
     "the viscous correction flag (true or false)", kNotNegative},
}};

const KeyInfo& info(Key key) {
  return kKeys[static_cast<size_t>(key)];
}

// The problems by name, their number the fixed-line file's problem type, their
// inputs in the fixed-line order.
struct Problem {
  std::string_view name;
  int number;
  std::vector<Key> keys;
};

const std::vector<Problem>& problems() {
  using K = Key;
  static const std::vector<Problem> kProblems{
      {"ktj2-design",
       1,
       {K::Thrust, K::Diameter, K::AdvanceSpeed, K::Density, K::Blades, K::AreaRatio}},
      {"ktj4-design", 2, {K::Thrust, K::Rpm, K::AdvanceSpeed, K::Density, K::Blades, K::AreaRatio}},
      {"kqj5-design", 3, {K::Power, K::AdvanceSpeed, K::Rpm, K::Density, K::Blades, K::AreaRatio}},
      {"bollard-pull", 4, {K::Power, K::Rpm, K::Density, K::Blades, K::AreaRatio, K::Diameters}},
      {"open-water-table", 5, {K::PitchRatio, K::Blades, K::AreaRatio}},
      {"operating-point",
       6,
       {K::PitchRatio, K::Blades, K::AreaRatio, K::Density, K::Diameter, K::Rpm, K::AdvanceSpeed,
        K::ViscousCorrection}},
      {"bp-delta-design",
       7,
       {K::Bp, K::Delta, K::Blades, K::AreaRatio, K::Density, K::Diameter, K::Rpm, K::AdvanceSpeed,
        K::ViscousCorrection}},
      {"pitch-for-thrust",
       8,
       {K::Thrust, K::Diameter, K::Rpm, K::AdvanceSpeed, K::Density, K::Blades, K::AreaRatio,
        K::ViscousCorrection, K::ShaftDepth}},
      {"pitch-for-power",
       9,
       {K::Power, K::Diameter, K::Rpm, K::AdvanceSpeed, K::Density, K::Blades, K::AreaRatio,
        K::ViscousCorrection, K::ShaftDepth}},
      {"pitch-for-torque",
       10,
       {K::Torque, K::Diameter, K::Rpm, K::AdvanceSpeed, K::Density, K::Blades, K::AreaRatio,
        K::ViscousCorrection, K::ShaftDepth}},
  };
  return kProblems;
}

const Problem* problemNumbered(int number) {
  for (const Problem& p : problems())
    if (p.number == number) return &p;
  return nullptr;
}

constexpr std::string_view kSeriesNames[] = {"wageningen", "gawn"};

// The Task's value an input fills.
float* slot(Task& task, Key key) {
  switch (key) {
    case Key::Thrust:
      return &task.thrust;
    case Key::Power:
      return &task.powerKW;
    case Key::Torque:
      return &task.torqueKNm;
    case Key::Diameter:
      return &task.diameter;
    case Key::Diameters:
      return &task.bollardDiameter1;
    case Key::Rpm:
      return &task.rpm;
    case Key::AdvanceSpeed:
      return &task.advanceSpeed;
    case Key::Density:
      return &task.rho;
    case Key::Blades:
      return &task.bladeCount;
    case Key::AreaRatio:
      return &task.areaRatio;
    case Key::PitchRatio:
      return &task.pitchRatio;
    case Key::ShaftDepth:
      return &task.shaftDepth;
    case Key::Bp:
      return &task.bp;
    case Key::Delta:
      return &task.delta;
    case Key::ViscousCorrection:
      break;
  }
  return nullptr;
}

// Keys a keyword file may hold besides the inputs.
constexpr std::string_view kTopKeys[] = {
    "series", "problem", "title", "viscous_correction_model", "gawn_model", "answers"};
constexpr std::string_view kAnswerKeys[] = {"change_propeller",    "row",
                                            "bollard_candidate",   "viscous_correction",
                                            "full_scale_diameter", "full_scale_rpm"};

size_t editDistance(std::string_view a, std::string_view b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// The known key nearest to an unknown one, when it is near enough to be
// the key meant (a third of its letters changed at most).
std::string_view nearest(std::string_view unknown, const std::vector<std::string_view>& known) {
  std::string_view best;
  size_t bestDistance = std::max<size_t>(2, unknown.size() / 3) + 1;
  for (std::string_view k : known) {
    const size_t d = editDistance(unknown, k);
    if (d < bestDistance) best = k, bestDistance = d;
  }
  return best;
}

std::string shortest(float value) {
  std::array<char, 64> buffer{};
  const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return std::string(buffer.data(), end.ptr);
}

// A free-text line as a TOML comment may hold it: valid UTF-8 without
// control characters; anything else becomes '?', so that the keyword file of
// any fixed-line task is one TOML reads.
std::string commentText(std::string_view line) {
  std::string out;
  for (size_t i = 0; i < line.size();) {
    const auto c = static_cast<unsigned char>(line[i]);
    if (c < 0x80) {
      out += (c < 0x20 && c != '\t') || c == 0x7f ? '?' : static_cast<char>(c);
      ++i;
      continue;
    }
    const size_t length = c >= 0xf0 && c < 0xf5 ? 4 : c >= 0xe0 ? 3 : c >= 0xc2 ? 2 : 0;
    bool valid = length > 0 && i + length <= line.size();
    for (size_t k = 1; valid && k < length; ++k)
      valid = (static_cast<unsigned char>(line[i + k]) & 0xc0) == 0x80;
    if (valid) {
      out += line.substr(i, length);
      i += length;
    } else {
      out += '?';
      ++i;
    }
  }
  return out;
}

std::string trimmedRight(std::string_view text) {
  size_t end = text.size();
  while (end > 0 && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\r')) --end;
  return std::string(text.substr(0, end));
}

// ---- Reading a keyword file ----

class KeywordReader {
 public:
  explicit KeywordReader(std::string_view text) : text_(text) {
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
      if (i == text.size() || text[i] == '\n') {
        lines_.push_back(text.substr(start, i - start));
        start = i + 1;
      }
    }
  }

  TaskParse read() {
    toml::table root;
    try {
      root = toml::parse(text_);
    } catch (const toml::parse_error& e) {
      error(e.source(), "TOML syntax error: " + std::string(e.description()));
      return finish();
    }
    TaskFile file;
    file.notes = headComments();
    readTop(root, file);
    return finish(std::move(file));
  }

 private:
  void error(const toml::source_region& where, const std::string& text, int status = 1) {
    errors_.push_back(printableBytes(at(where) + text));
    status_ = std::max(status_, status);
  }
  static std::string at(const toml::source_region& where) {
    if (where.begin.line == 0) return {};
    return "line " + std::to_string(where.begin.line) + ", column " +
           std::to_string(where.begin.column) + ": ";
  }

  TaskParse finish(std::optional<TaskFile> file = std::nullopt) {
    TaskParse out;
    out.errors = std::move(errors_);
    out.warnings = std::move(warnings_);
    out.exitStatus = static_cast<ExitStatus>(status_);
    // A file whose values could all be read holds a task, even one refused for a range.
    if (status_ != 1) out.task = std::move(file);
    return out;
  }

  // The comment lines the file starts with: its free text, kept as notes.
  std::vector<std::string> headComments() const {
    std::vector<std::string> notes;
    for (std::string_view line : lines_) {
      size_t i = 0;
      while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
      if (i == line.size()) continue;
      if (line[i] != '#') break;
      std::string_view note = line.substr(i + 1);
      if (!note.empty() && note.front() == ' ') note.remove_prefix(1);
      notes.push_back(trimmedRight(note));
    }
    return notes;
  }

  // A number as the fixed-line reader would read its digits: from the file's
  // own text where it is there to take, so that no double stands between.
  std::optional<float> number(const toml::node& node) const {
    const auto* i = node.as_integer();
    const auto* f = node.as_floating_point();
    if (!i && !f) return std::nullopt;
    const std::string digits = sourceText(node);
    if (!digits.empty()) {
      char* end = nullptr;
      const float v = std::strtof(digits.c_str(), &end);
      if (end == digits.c_str() + digits.size()) return v;
    }
    // Text the 32-bit conversion cannot take whole (inf, nan): the double's value.
    return i ? static_cast<float>(i->get()) : static_cast<float>(f->get());
  }

  // The text of a one-line value as the file holds it, underscores between
  // digits dropped; empty where the value spans lines.
  std::string sourceText(const toml::node& node) const {
    const toml::source_region& where = node.source();
    if (where.begin.line != where.end.line || where.begin.line < 1 ||
        where.begin.line > lines_.size() || where.end.column <= where.begin.column)
      return {};
    const std::string_view line = lines_[where.begin.line - 1];
    const size_t from = where.begin.column - 1;
    const size_t length = where.end.column - where.begin.column;
    if (from + length > line.size()) return {};
    std::string text;
    for (char c : line.substr(from, length))
      if (c != '_') text += c;
    return text;
  }

  void checkRange(const toml::node& node, const KeyInfo& key, float value) {
    const Range& r = key.range;
    const bool inside =
        std::isfinite(value) && (r.lowestAccepted ? value >= r.lowest : value > r.lowest);
    if (inside) return;
    // Named before the run, which then goes on as the fixed-line task's
    // would: its own checks refuse such a value (status 3) where the problem
    // divides by it, so a keyword task and its fixed-line twin end alike.
    warnings_.push_back(printableBytes(
        at(node.source()) + std::string(key.name) + " = " + shownValue(value, key) +
        " is out of range: " + std::string(key.meaning) + " must be " + rangeText(r)));
  }

  static std::string shownValue(float value, const KeyInfo& key) {
    if (!std::isfinite(value)) return "a value that is not finite";
    return key.kind ? "\"" + units::format(value, *key.kind) + "\"" : shortest(value);
  }

  // A dimensional value: a text with its unit.
  std::optional<float> quantity(const toml::node& node, std::string_view name, units::Kind kind) {
    if (const auto* s = node.as_string()) {
      const units::Reading r = units::parse(s->get(), kind, name);
      if (const float* v = std::get_if<float>(&r)) return *v;
      error(node.source(), std::get<std::string>(r));
      return std::nullopt;
    }
    if (node.is_number()) {
      const std::string digits = sourceText(node);
      const toml::source_region& where = node.source();
      error(where, std::string(name) + " = " + digits + " has no unit: write the " +
                       std::string(units::kindName(kind)) + " as a text with one of " +
                       units::acceptedUnits(kind) + ", e.g. " + std::string(name) + " = \"" +
                       digits + " " + std::string(units::programUnit(kind)) + "\"");
      return std::nullopt;
    }
    error(node.source(), std::string(name) + " must be a text with its unit (\"VALUE " +
                             std::string(units::programUnit(kind)) + "\"), not " + typeName(node));
    return std::nullopt;
  }

  static std::string typeName(const toml::node& node) {
    switch (node.type()) {
      case toml::node_type::table:
        return "a table";
      case toml::node_type::array:
        return "an array";
      case toml::node_type::string:
        return "a text";
      case toml::node_type::boolean:
        return "true or false";
      case toml::node_type::date:
      case toml::node_type::time:
      case toml::node_type::date_time:
        return "a date or time";
      default:
        return "a number";
    }
  }

  // A whole number given as a TOML integer (or an integral float).
  std::optional<int> wholeNumber(const toml::node& node, std::string_view name) {
    if (const auto* i = node.as_integer()) {
      const long long v = i->get();
      if (v >= -2147483647LL - 1 && v <= 2147483647LL) return static_cast<int>(v);
      error(node.source(), std::string(name) + " = " + std::to_string(v) +
                               " lies beyond the range of a 32-bit integer");
      return std::nullopt;
    }
    error(node.source(), std::string(name) + " must be a whole number, not " + typeName(node));
    return std::nullopt;
  }

  std::optional<bool> yesNo(const toml::node& node, std::string_view name) {
    if (const auto* b = node.as_boolean()) return b->get();
    error(node.source(), std::string(name) + " must be true or false, not " + typeName(node));
    return std::nullopt;
  }

  void readInput(const toml::node& node, const KeyInfo& key, Task& task) {
    if (key.key == Key::ViscousCorrection) {
      // A flag: true or false, or the fixed-line file's integer as it stands.
      if (const auto* b = node.as_boolean()) {
        task.viscousFlag = b->get() ? 1 : 0;
      } else if (node.is_integer()) {
        if (auto v = wholeNumber(node, key.name)) task.viscousFlag = *v;
      } else {
        error(node.source(), "viscous_correction must be true or false, not " + typeName(node));
      }
      return;
    }
    if (key.key == Key::Diameters) {
      const auto* list = node.as_array();
      if (!list || list->size() != 3) {
        error(node.source(),
              "diameters must be an array of three lengths, e.g. "
              "[\"3.8 m\", \"4.0 m\", \"4.2 m\"]");
        return;
      }
      float* targets[] = {&task.bollardDiameter1, &task.bollardDiameter2, &task.bollardDiameter3};
      for (size_t i = 0; i < 3; ++i) {
        const toml::node& item = *list->get(i);
        if (auto v = quantity(item, "diameters[" + std::to_string(i + 1) + "]", *key.kind)) {
          *targets[i] = *v;
          checkRange(item, key, *v);
        }
      }
      return;
    }
    std::optional<float> value;
    if (key.kind) {
      value = quantity(node, key.name, *key.kind);
    } else if (node.is_number()) {
      value = number(node);
    } else {
      error(node.source(), std::string(key.name) + " must be a number, not " + typeName(node) +
                               " (" + std::string(key.meaning) + " has no unit)");
    }
    if (!value) return;
    *slot(task, key.key) = *value;
    checkRange(node, key, *value);
  }

  void readModel(const toml::node& node, std::string_view key, std::string_view option,
                 TaskFile& file) {
    std::string values;
    for (const ModelOptionValue& v : kModelOptionValues)
      if (v.option == option) values += (values.empty() ? "" : ", ") + std::string(v.value);
    const auto* s = node.as_string();
    ModelOptions models;
    if (!s || !setModelOption(models, option, s->get())) {
      error(node.source(), std::string(key) + " must be one of " + values + ", not " +
                               (s ? "\"" + s->get() + "\"" : typeName(node)));
      return;
    }
    if (option == "viscous-correction")
      file.viscousCorrectionModel = models.viscousCorrection;
    else
      file.gawnModel = models.gawnModel;
  }

  void unknownKey(const toml::key& key, const std::vector<std::string_view>& known,
                  std::string_view where) {
    std::string text = "unknown key " + std::string(where) + "'" + std::string(key.str()) + "'";
    if (const std::string_view near = nearest(key.str(), known); !near.empty())
      text += ": did you mean '" + std::string(near) + "'?";
    error(key.source(), text);
  }

  void readSeries(const toml::node& node, Task& task) {
    if (const auto* s = node.as_string()) {
      for (size_t i = 0; i < std::size(kSeriesNames); ++i)
        if (s->get() == kSeriesNames[i]) task.seriesType = static_cast<Series>(i + 1);
      if (task.seriesType == Series{})
        error(node.source(), "series = \"" + s->get() + "\" is no series: \"wageningen\" or " +
                                 "\"gawn\" (or their numbers 1 and 2)");
      return;
    }
    // A number stands as it would on the series type's line; the run itself refuses one
    // that is not a series, as it does for the fixed-line file.
    if (node.is_integer()) {
      if (auto v = wholeNumber(node, "series")) task.seriesType = static_cast<Series>(*v);
      return;
    }
    error(node.source(), "series must be \"wageningen\" or \"gawn\", not " + typeName(node));
  }

  std::string problemNames() const {
    std::string names;
    for (const Problem& p : problems())
      names += (names.empty() ? "\"" : ", \"") + std::string(p.name) + "\"";
    return names;
  }

  void readProblem(const toml::node& node, Task& task) {
    if (const auto* s = node.as_string()) {
      for (const Problem& p : problems())
        if (s->get() == p.name) task.problemType = p.number;
      // Problems read by a reader of their own, which have no fixed-line
      // form, are dispatched here by name (the selection of a propeller:
      // problem = "selection").
      if (task.problemType == 0) {
        std::vector<std::string_view> names;
        for (const Problem& p : problems()) names.push_back(p.name);
        std::string text = "problem = \"" + s->get() + "\" is no problem";
        if (const std::string_view near = nearest(s->get(), names); !near.empty())
          text += ": did you mean \"" + std::string(near) + "\"?";
        error(node.source(), text + " The problems: " + problemNames() + " (or 1 to 10)");
      }
      return;
    }
    // A number stands as it would on the problem type's line; the run refuses one out of range.
    if (node.is_integer()) {
      if (auto v = wholeNumber(node, "problem")) task.problemType = *v;
      return;
    }
    error(node.source(), "problem must be a problem's name, not " + typeName(node));
  }

  void readAnswers(const toml::node& node, TaskFile& file) {
    const auto* table = node.as_table();
    if (!table) {
      error(node.source(), "answers must be a table: [answers]");
      return;
    }
    const std::vector<std::string_view> known(std::begin(kAnswerKeys), std::end(kAnswerKeys));
    TaskAnswers& a = file.answers;
    for (auto&& [key, value] : *table) {
      const std::string_view k = key.str();
      if (k == "change_propeller") {
        a.changePropeller = yesNo(value, "answers.change_propeller");
      } else if (k == "row") {
        a.row = wholeNumber(value, "answers.row");
      } else if (k == "bollard_candidate") {
        a.bollardCandidate = wholeNumber(value, "answers.bollard_candidate");
      } else if (k == "viscous_correction") {
        a.viscousCorrection = yesNo(value, "answers.viscous_correction");
      } else if (k == "full_scale_diameter") {
        a.fullScaleDiameter = quantity(value, "answers.full_scale_diameter", units::Kind::Length);
      } else if (k == "full_scale_rpm") {
        a.fullScaleRpm = quantity(value, "answers.full_scale_rpm", units::Kind::Rotation);
      } else {
        unknownKey(key, known, "in [answers] ");
      }
    }
    if (a.fullScaleDiameter.has_value() != a.fullScaleRpm.has_value())
      error(node.source(),
            "[answers] gives one of full_scale_diameter and full_scale_rpm: the "
            "viscous correction's question takes both");
  }

  void readTop(const toml::table& root, TaskFile& file) {
    std::vector<std::string_view> known(std::begin(kTopKeys), std::end(kTopKeys));
    for (const KeyInfo& k : kKeys) known.push_back(k.name);
    Task& task = file.task;
    if (const toml::node* n = root.get("series")) readSeries(*n, task);
    if (const toml::node* n = root.get("problem")) readProblem(*n, task);

    for (auto&& [key, value] : root) {
      const std::string_view k = key.str();
      if (k == "series" || k == "problem") continue;
      if (k == "title") {
        if (const auto* s = value.as_string())
          file.title = s->get();
        else
          error(value.source(), "title must be a text, not " + typeName(value));
      } else if (k == "viscous_correction_model") {
        readModel(value, k, "viscous-correction", file);
      } else if (k == "gawn_model") {
        readModel(value, k, "gawn-model", file);
      } else if (k == "answers") {
        readAnswers(value, file);
      } else if (std::find(known.begin(), known.end(), k) == known.end()) {
        unknownKey(key, known, "");
      }
    }

    const toml::source_region nowhere{};
    if (!root.get("series")) error(nowhere, "missing key 'series': \"wageningen\" or \"gawn\"");
    if (!root.get("problem")) error(nowhere, "missing key 'problem': one of " + problemNames());
    if (task.seriesType == Series{} || (task.problemType == 0 && root.get("problem"))) return;
    // A series the run refuses is refused before the problem's inputs are
    // read, and a problem type it refuses before its inputs: neither needs them.
    if (task.seriesType != Series::Wageningen && task.seriesType != Series::Gawn) return;
    const Problem* problem = problemNumbered(task.problemType);
    if (!problem) return;

    for (Key key : problem->keys) {
      const KeyInfo& k = info(key);
      if (const toml::node* n = root.get(k.name)) {
        readInput(*n, k, task);
        continue;
      }
      // Without the flag no correction is applied, as a 0 on the input line says.
      if (key == Key::ViscousCorrection) continue;
      std::string text = "missing input '" + std::string(k.name) + "', " + std::string(k.meaning) +
                         ", which problem \"" + std::string(problem->name) + "\" reads";
      if (key == Key::Diameters)
        text += " (three lengths: " + units::acceptedUnits(units::Kind::Length) + ")";
      else if (k.kind)
        text += " (" + units::acceptedUnits(*k.kind) + ")";
      error(nowhere, text);
    }
    for (const KeyInfo& k : kKeys) {
      if (!root.get(k.name)) continue;
      if (std::find(problem->keys.begin(), problem->keys.end(), k.key) != problem->keys.end())
        continue;
      warnings_.push_back(at(root.get(k.name)->source()) + "'" + std::string(k.name) +
                          "' is not an input of problem \"" + std::string(problem->name) +
                          "\": ignored");
    }
    // As the fixed-line reader does: the power in W beside the power in kW.
    if (task.problemType == 3 || task.problemType == 4 || task.problemType == 9)
      task.powerW = task.powerKW * 1000.0f;
  }

  std::string_view text_;
  std::vector<std::string_view> lines_;
  std::vector<std::string> errors_, warnings_;
  int status_ = 0;
};

// ---- Reading a fixed-line file ----

TaskParse readFixedLines(std::string_view text) {
  std::istringstream taskStream{std::string(text)};
  std::ostringstream console, errors;
  Session io({nullptr, &console, &errors, nullptr, &taskStream});
  TaskFile file;
  Task& task = file.task;
  // The free lines whole, as the file holds them (the reader keeps 80 characters).
  std::vector<std::string_view> lines;
  for (size_t start = 0; start < text.size();) {
    const size_t end = std::min(text.find('\n', start), text.size());
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  size_t lineNumber = 0;
  const auto note = [&](const std::string&) {
    const std::string t = lineNumber < lines.size() ? trimmedRight(lines[lineNumber]) : "";
    ++lineNumber;
    if (!t.empty() && t != "*") file.notes.push_back(t);
  };
  TaskParse out;
  try {
    for (int i = 0; i < 13; ++i) note(readText80(io, Unit::Task, "free text line (lines 1 to 13)"));
    int series = 0;
    readList(io, Unit::Task, {{&series, "series type, 1 Wageningen B or 2 Gawn"}});
    task.seriesType = static_cast<Series>(series);
    ++lineNumber;
    // The run stops at a series or problem type it refuses: what follows is never read.
    if (task.seriesType == Series::Wageningen || task.seriesType == Series::Gawn) {
      for (int i = 0; i < 63; ++i)
        note(readText80(io, Unit::Task, "free text line (lines 15 to 77)"));
      readList(io, Unit::Task, {{&task.problemType, "problem type, 1 to 10"}});
      if (problemNumbered(task.problemType)) {
        std::vector<NamedTarget> targets;
        for (const TaskInput& in : taskInputsOf(task)) targets.push_back(in.read);
        readList(io, Unit::Task, targets);
      }
    }
  } catch (const RunEnd& end) {
    std::string report = std::move(errors).str();
    while (!report.empty() && (report.front() == '\n')) report.erase(0, 1);
    while (!report.empty() && report.back() == '\n') report.pop_back();
    out.errors.push_back(report);
    out.exitStatus = ExitStatus::RunTimeError;
    return out;
  }
  if (task.problemType == 3 || task.problemType == 4 || task.problemType == 9)
    task.powerW = task.powerKW * 1000.0f;
  // The reader's warnings (a decimal comma) say what the run would say.
  for (const Warning& w : io.warnings) out.warnings.push_back(w.text);
  out.task = std::move(file);
  return out;
}

bool isBlankLine(std::string_view line) {
  return line.find_first_not_of(" \t\r") == std::string_view::npos;
}

}  // namespace

// A text as a TOML basic string.
std::string tomlString(std::string_view text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7f) {
      static constexpr char kHex[] = "0123456789ABCDEF";
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

bool isKeywordTask(std::string_view text) {
  // The first line that is neither blank nor a comment must be "key = ..." or
  // "[table]"; a fixed-line file's free first lines rarely are, and its line
  // 14 starts with the series number, which a keyword file's never does
  // unless it is a fixed-line file after all.
  std::vector<std::string_view> lines;
  std::string_view first;
  size_t start = 0;
  constexpr size_t kSeries = kSeriesTypeLine;
  for (size_t i = 0; i <= text.size() && (lines.size() < kSeries || first.empty()); ++i) {
    if (i != text.size() && text[i] != '\n') continue;
    const std::string_view line = text.substr(start, i - start);
    start = i + 1;
    if (lines.size() < kSeries) lines.push_back(line);
    const size_t at = line.find_first_not_of(" \t\r");
    if (first.empty() && at != std::string_view::npos && line[at] != '#') first = line.substr(at);
  }
  if (first.empty()) return false;
  bool shaped = first.front() == '[';
  if (!shaped) {
    size_t i = 0;
    while (i < first.size() &&
           (std::isalnum(static_cast<unsigned char>(first[i])) || first[i] == '_' ||
            first[i] == '-' || first[i] == '"' || first[i] == '.'))
      ++i;
    while (i < first.size() && (first[i] == ' ' || first[i] == '\t')) ++i;
    shaped = i > 0 && i < first.size() && first[i] == '=';
  }
  if (!shaped) return false;
  if (lines.size() < kSeries || isBlankLine(lines[kSeries - 1])) return true;
  const std::string_view seriesLine =
      lines[kSeries - 1].substr(lines[kSeries - 1].find_first_not_of(" \t"));
  const char c = seriesLine.front();
  return !(std::isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '-');
}

TaskParse parseTask(std::string_view text) {
  if (isKeywordTask(text)) return KeywordReader(text).read();
  return readFixedLines(text);
}

std::string toToml(const TaskFile& file) {
  const Task& task = file.task;
  std::string out;
  for (const std::string& note : file.notes) out += "# " + commentText(note) + "\n";
  if (!file.notes.empty()) out += "\n";
  if (!file.title.empty()) out += "title = " + tomlString(file.title) + "\n";
  if (task.seriesType == Series::Wageningen || task.seriesType == Series::Gawn)
    out +=
        "series = \"" + std::string(kSeriesNames[static_cast<int>(task.seriesType) - 1]) + "\"\n";
  else
    out += "series = " + std::to_string(static_cast<int>(task.seriesType)) + "\n";
  const Problem* problem = problemNumbered(task.problemType);
  // A task refused for its series type holds no problem type the run would read.
  const bool seriesKnown = task.seriesType == Series::Wageningen || task.seriesType == Series::Gawn;
  if (problem)
    out += "problem = \"" + std::string(problem->name) + "\"\n";
  else if (seriesKnown || task.problemType != 0)
    out += "problem = " + std::to_string(task.problemType) + "\n";
  else
    out += "problem = 0\n";
  if (problem && seriesKnown) {
    out += "\n";
    Task copy = task;
    for (Key key : problem->keys) {
      const KeyInfo& k = info(key);
      out += std::string(k.name) + " = ";
      if (key == Key::ViscousCorrection) {
        out += task.viscousFlag == 0   ? "false"
               : task.viscousFlag == 1 ? "true"
                                       : std::to_string(task.viscousFlag);
      } else if (key == Key::Diameters) {
        out += "[\"" + units::format(task.bollardDiameter1, *k.kind) + "\", \"" +
               units::format(task.bollardDiameter2, *k.kind) + "\", \"" +
               units::format(task.bollardDiameter3, *k.kind) + "\"]";
      } else if (k.kind) {
        out += "\"" + units::format(*slot(copy, key), *k.kind) + "\"";
      } else {
        const float v = *slot(copy, key);
        // A whole value stays a TOML integer, which reads back to the same bits.
        out += shortest(v);
      }
      out += "\n";
    }
  }
  if (file.viscousCorrectionModel || file.gawnModel) {
    out += "\n";
    ModelOptions models;
    if (file.viscousCorrectionModel) {
      models.viscousCorrection = *file.viscousCorrectionModel;
      out += "viscous_correction_model = \"" +
             std::string(modelOptionValue(models, "viscous-correction")) + "\"\n";
    }
    if (file.gawnModel) {
      models.gawnModel = *file.gawnModel;
      out += "gawn_model = \"" + std::string(modelOptionValue(models, "gawn-model")) + "\"\n";
    }
  }
  const TaskAnswers& a = file.answers;
  if (a.changePropeller || a.row || a.bollardCandidate || a.viscousCorrection ||
      a.fullScaleDiameter || a.fullScaleRpm) {
    out += "\n[answers]\n";
    if (a.changePropeller)
      out += std::string("change_propeller = ") + (*a.changePropeller ? "true" : "false") + "\n";
    if (a.row) out += "row = " + std::to_string(*a.row) + "\n";
    if (a.bollardCandidate)
      out += "bollard_candidate = " + std::to_string(*a.bollardCandidate) + "\n";
    if (a.viscousCorrection)
      out +=
          std::string("viscous_correction = ") + (*a.viscousCorrection ? "true" : "false") + "\n";
    if (a.fullScaleDiameter)
      out += "full_scale_diameter = \"" + units::format(*a.fullScaleDiameter, units::Kind::Length) +
             "\"\n";
    if (a.fullScaleRpm)
      out += "full_scale_rpm = \"" + units::format(*a.fullScaleRpm, units::Kind::Rotation) + "\"\n";
  }
  return out;
}

std::string toFixedLines(const TaskFile& file) {
  // The free lines hold the title and the notes; the guide lines stand on 13
  // and 77, where they say what the next line holds.
  std::vector<std::string> free;
  if (!file.title.empty()) free.push_back(file.title);
  for (const std::string& note : file.notes) free.push_back(note);
  size_t next = 0;
  const auto freeLine = [&]() -> std::string {
    if (next >= free.size()) return "*";
    std::string line = free[next++];
    // A free line is never read as a value, but an empty one would still be
    // a line: keep it visible.
    for (char& c : line)
      if (c == '\n' || c == '\r') c = ' ';
    return line.empty() ? "*" : line;
  };
  return fixedLinesText(file.task, freeLine);
}

std::optional<std::string> AnswerSource::take(Question question) {
  TaskAnswers& a = answers_;
  std::optional<std::string> line;
  switch (question) {
    case Question::AnotherRow:
      // A row named is a change of the propeller asked for.
      if (a.changePropeller)
        line = *a.changePropeller ? "E" : "H";
      else if (a.row)
        line = "E";
      a.changePropeller.reset();
      break;
    case Question::RowNumber:
      if (a.row) line = std::to_string(*a.row);
      a.row.reset();
      break;
    case Question::BollardCandidate:
      if (a.bollardCandidate) line = std::to_string(*a.bollardCandidate);
      a.bollardCandidate.reset();
      break;
    case Question::ViscousCorrection:
      if (a.viscousCorrection)
        line = *a.viscousCorrection ? "E" : "H";
      else if (a.fullScaleDiameter)
        line = "E";
      a.viscousCorrection.reset();
      break;
    case Question::FullScalePropeller:
      if (a.fullScaleDiameter && a.fullScaleRpm)
        line = shortest(*a.fullScaleDiameter) + " " + shortest(*a.fullScaleRpm);
      a.fullScaleDiameter.reset();
      a.fullScaleRpm.reset();
      break;
    case Question::None:
      break;
  }
  return line;
}

}  // namespace helisolv
