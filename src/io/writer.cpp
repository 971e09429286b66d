#include "io/writer.hpp"

#include <optional>
#include <string>

#include "io/console.hpp"
#include "io/edit.hpp"
#include "io/layout.hpp"
#include "io/runtime_error.hpp"

namespace helisolv {

namespace {

// A record under construction: placed characters and blanks skipped by X that
// become real only when something further is placed in the same record.
class Record {
 public:
  void skip(int n) { pending_ += n; }
  void place(std::string_view s) {
    if (s.empty()) return;
    text_.append(static_cast<size_t>(pending_), ' ');
    pending_ = 0;
    text_ += s;
  }
  size_t length() const { return text_.size(); }
  // The record as finished; pending blanks are dropped.
  std::string take() {
    std::string text = std::move(text_);
    text_.clear();
    pending_ = 0;
    return text;
  }

 private:
  std::string text_;
  int pending_ = 0;
};

const char* unitName(Unit unit) {
  return unit == Unit::Result ? "Helisolv.Son" : "stdout";
}

std::string editValue(Session& io, Unit unit, const EditDescriptor& d, const Value& v) {
  using K = EditDescriptor::Kind;
  if (d.kind == K::Integer && std::holds_alternative<int>(v))
    return editInteger(std::get<int>(v), d.width, d.digits);
  if (d.kind == K::Real && std::holds_alternative<float>(v))
    return editReal(std::get<float>(v), d.width, d.digits);
  if (d.kind == K::Alpha && std::holds_alternative<std::string_view>(v)) {
    // A text value is a symbol or a whole console question: a question has
    // its twin in the catalogue, a symbol prints as it is.
    const std::string_view text = std::get<std::string_view>(v);
    const std::optional<std::string_view> twin = translate(io.language, text);
    return editText(twin ? *twin : text, d.width);
  }
  runtimeError(io, RuntimeErrorCode::BadValueKind, "WRITE", unitName(unit));
}

// Walks the layout over the values, handing each finished record to `done`.
template <typename Done>
void walk(Session& io, Unit unit, std::string_view layoutText, std::span<const Value> values,
          Done done) {
  const Layout& layout = layoutFor(io, localized(io, layoutText));
  Record record;
  size_t next = 0;  // next value to edit
  size_t pos = 0;   // next descriptor
  for (;;) {
    if (pos == layout.items.size()) {
      // The final ')': the statement ends here unless values remain, in which
      // case the record ends and the walk resumes at the reversion point.
      done(record.take());
      if (next == values.size()) return;
      // More values than the layout can ever take: refuse rather than write
      // records without end.
      if (!layout.reversionHasData)
        runtimeError(io, RuntimeErrorCode::BadLayout, "WRITE", unitName(unit), "values left over");
      pos = layout.reversionPoint;
      continue;
    }
    const EditDescriptor& d = layout.items[pos];
    if (d.isData()) {
      if (next == values.size()) {
        done(record.take());
        return;
      }
      record.place(editValue(io, unit, d, values[next++]));
    } else if (d.kind == EditDescriptor::Kind::Text) {
      record.place(d.text);
    } else if (d.kind == EditDescriptor::Kind::Skip) {
      record.skip(d.width);
    } else {
      done(record.take());
    }
    ++pos;
  }
}

}  // namespace

void write(Session& io, Unit unit, std::string_view layoutText, std::span<const Value> values) {
  walk(io, unit, layoutText, values, [&](const std::string& text) { emitRecord(io, unit, text); });
}

std::vector<std::string> render(Session& io, std::string_view layoutText,
                                std::span<const Value> values) {
  std::vector<std::string> records;
  walk(io, Unit::Result, layoutText, values,
       [&records](std::string text) { records.push_back(std::move(text)); });
  return records;
}

void writeFree(Session& io, Unit unit, std::initializer_list<std::string_view> texts) {
  // A free-format record starts with one blank (the carriage control on the
  // console) and holds the texts one after another; a text that would pass
  // the 79th column goes on a continuation record.
  constexpr size_t kLineWidth = 79;
  Record record;
  record.skip(1);
  for (std::string_view text : texts) {
    std::string_view t = text.empty() ? text : localized(io, text);
    while (!t.empty()) {
      size_t room = kLineWidth - (record.length() == 0 ? 1 : record.length());
      if (room == 0) {
        emitRecord(io, unit, record.take());
        record.skip(1);
        continue;
      }
      record.place(t.substr(0, room));
      t.remove_prefix(std::min(room, t.size()));
    }
  }
  emitRecord(io, unit, record.take());
}

}  // namespace helisolv
